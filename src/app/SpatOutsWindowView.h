// What the main window asks of an open loudspeaker position window when the loudspeaker
// sliders, the room side or the speaker count move, or the display mode flips.
#pragma once

class SpatOutsWindowView {
public:
    virtual ~SpatOutsWindowView() = default;

    // Rewrites loudspeaker i's three value fields.
    virtual void ShowCoordinates(int speaker, int x, int y, int z) = 0;
    // Moves loudspeaker i on the window's pad, from a 0-127 value.
    virtual void MoveSpeakerX(int speaker, int value) = 0;
    virtual void MoveSpeakerY(int speaker, int value) = 0;
    // Re-reads the number of loudspeakers and their positions onto the pad.
    virtual void ReinitialiseSpeakerPad() = 0;
};
