// What the stereo pad asks of its owner (the stereo source window): the slider values it
// places the pair from, and where a placement or a drag of the centre cross ends up.
#pragma once

#include "controls/StereoGeometry.h"

struct StereoSliders {
    int angle = 64;
    int width = 21;
    int focus = 127;
};

class CStereoPadOwner {
public:
    virtual ~CStereoPadOwner() = default;

    virtual StereoSliders Sliders() const = 0;
    // A drag of the cross: the Angle and Focus sliders follow, without notifying anyone.
    virtual void SetAngleAndFocus(int angle, int focus) = 0;
    // The pair's new positions, 0-127 in screen orientation.
    virtual void UpdatePositions(const StereoPositions& positions) = 0;
    // A key moved the cross: as a drag, but one change the operator may undo on its own.
    virtual void CrossStepped(int angle, int focus, const StereoPositions& positions) {
        SetAngleAndFocus(angle, focus);
        UpdatePositions(positions);
    }
};
