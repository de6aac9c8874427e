// What the main window asks of an open stereo source window when the display mode flips.
#pragma once

class StereoSourceWindowView {
public:
    virtual ~StereoSourceWindowView() = default;

    // Rewrites the window's value labels in the current display mode.
    virtual void ShowSliderValues() = 0;
};
