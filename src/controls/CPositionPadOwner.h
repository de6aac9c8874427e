// What the source position pad asks of its owner (the main window) when the
// marker is dragged or the tracker reports a position.
#pragma once

class CPositionPadOwner {
public:
    virtual ~CPositionPadOwner() = default;

    // x from the pad's left edge and y upward from its bottom edge, in pad pixels;
    // z a 0-127 height, or -1.0 to keep the current height.
    virtual void ApplyPadPosition(double x, double y, double z) = 0;
    // A key moved the marker by dx, dy position values (y upward).
    virtual void StepPadPosition(int dx, int dy) = 0;
};
