// What the source position pad asks of its owner (the main window) when the
// marker is dragged or moved by a key.
#pragma once

class CPositionPadOwner {
public:
    virtual ~CPositionPadOwner() = default;

    // A drag: x from the pad's left edge and y upward from its bottom edge, in pad pixels.
    virtual void ApplyPadPosition(double x, double y) = 0;
    // A key moved the marker by dx, dy position values (y upward).
    virtual void StepPadPosition(int dx, int dy) = 0;
};
