// Where the controls say a gesture begins and ends, told to the undo history: a knob's or
// slider's ThumbTrack is a drag of the thumb, which ThumbPosition or EndTrack ends; its other
// codes are whole gestures, which EndTrack ends.
#pragma once

#include "controls/ScrollCode.h"
#include "program/CUndoHistory.h"

#include <QObject>

template <class Control> void FollowGestures(Control* control, CUndoHistory& history) {
    QObject::connect(control, &Control::scrolled, &history, [&history](ScrollCode code) {
        switch (code) {
        case ScrollCode::ThumbTrack:
            history.BeginGesture();
            break;
        case ScrollCode::ThumbPosition:
        case ScrollCode::EndTrack:
            history.EndGesture();
            break;
        default:
            break; // a step of its own, closed by its EndTrack or at the pass's end
        }
    });
}
