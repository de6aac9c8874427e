// Where the stereo pad puts a channel pair: from the window's Angle, Width and Focus
// values, or from the pointer while the centre cross is dragged. The constants are the
// processor's own, so a pair lands on the same 0-127 values it always has: degrees become
// radians through 1/57.385, a dragged direction becomes degrees through 57.29.
#pragma once

#include <QPoint>
#include <QSize>

#include <optional>

// The two channels' positions in 0-127 units, screen orientation (Y grows downward).
struct StereoPositions {
    QPoint first;
    QPoint second;
    bool operator==(const StereoPositions&) const = default;
};

struct StereoPlacement {
    // Top-left corners of the 16 x 16 sprites.
    QPoint first;
    QPoint second;
    QPoint cross;
    StereoPositions values;
};

struct StereoDrag {
    StereoPlacement placement;
    int angle = 0;
    int focus = 0;
};

namespace StereoGeometry {

constexpr int kSpriteHalf = 8;

// The pair placed from the sliders on a pad `padWidth` pixels wide (also used as height).
StereoPlacement Place(int padWidth, int angle, int width, int focus);

// The pair placed around a cross dragged to `pointer`, with the Angle and Focus values
// that describe it; nothing when the pointer is outside the pad's circle.
std::optional<StereoDrag> Drag(QSize pad, QPoint pointer, int width);

} // namespace StereoGeometry
