// The 21 knobs and sliders of the main window: where each sits, its range and ticks, the
// document value it edits and the Control Change it sends. The refresh, the scroll
// handler and the display setters all walk this one table.
#pragma once

#include "model/CControllerDoc.h"
#include "model/ValueText.h"
#include "ui/DialogUnits.h"

#include <array>
#include <string_view>

enum class MainControlKind { Knob, Slider };

struct MainControl {
    int id;
    std::string_view objectName;
    MainControlKind kind;
    DialogUnits::Rect place;
    int minimum;
    int maximum;
    int tickInterval;                    // sliders only
    ChannelArray CControllerDoc::*array; // per-channel and speaker values
    int CControllerDoc::*member;         // global values
    int captionString;                   // string resource number of the readout caption

    bool IsGlobal() const { return member != nullptr; }
    // The readout caption, with its two leading spaces, and the unit of the value text.
    std::string_view Caption() const;
    ValueUnit Unit() const;
    // What a screen reader calls the control: "LPF Cutoff".
    std::string_view ShownName() const;
    int Controller() const;
    // MIDI channel index the Control Change goes out on.
    int MidiChannel(int shownChannel) const;
    // The document value this control edits for the shown channel.
    int& Value(CControllerDoc& doc, int shownChannel) const;
    int Value(const CControllerDoc& doc, int shownChannel) const;
    ParameterKey Key(int shownChannel) const;

private:
    const ParameterLabel& Label() const;
};

// In the order the refresh puts values onto them: Room Side first, since the metre texts
// depend on its knob, and the source Z slider last, after the pad.
extern const std::array<MainControl, 21> kMainControls;

const MainControl* FindMainControl(int id);
