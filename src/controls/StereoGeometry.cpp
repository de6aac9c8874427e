#include "controls/StereoGeometry.h"

#include <algorithm>
#include <cmath>

namespace StereoGeometry {
namespace {

constexpr double kRadiansPerDegree = 0.017426156661148384; // 1 / 57.385
constexpr double kDegreesPerRadian = 57.29;
constexpr double kOneOver127 = 0.007874015748031496;

// A sprite corner 8 px up and left of the point at `radius` and `degrees` around `centre`.
QPoint Corner(double centre, double radius, double degrees) {
    const double radians = degrees * kRadiansPerDegree;
    return {static_cast<int>(centre + radius * std::cos(radians) - kSpriteHalf),
            static_cast<int>(centre + radius * std::sin(radians) - kSpriteHalf)};
}

// A sprite corner in 0-127 units; 278 so that the far edge of a 279-pixel pad reads 127.
int ToValue(int corner) {
    return std::clamp((corner + kSpriteHalf) * 127 / 278, 0, 127);
}

double HalfSpread(int width) {
    return (width * 360 * kOneOver127) * 0.5;
}

StereoPlacement Around(double centre, double radius, double crossDegrees, int width) {
    const double half = HalfSpread(width);
    StereoPlacement placement;
    placement.first = Corner(centre, radius, crossDegrees - half);
    placement.second = Corner(centre, radius, crossDegrees + half);
    placement.cross = Corner(centre, radius, crossDegrees);
    placement.values = {{ToValue(placement.first.x()), ToValue(placement.first.y())},
                        {ToValue(placement.second.x()), ToValue(placement.second.y())}};
    return placement;
}

} // namespace

StereoPlacement Place(int padWidth, int angle, int width, int focus) {
    const double centre = padWidth * 0.5;
    const double radius = centre * focus * kOneOver127;
    const double signedAngle = angle * 360 * kOneOver127 - 180.0;
    const double theta = 180.0 - signedAngle;
    // Screen y grows downward, so 270 degrees points to the top of the pad.
    return Around(centre, radius, theta + 90.0, width);
}

std::optional<StereoDrag> Drag(QSize pad, QPoint pointer, int width) {
    const int dx = pointer.x() - pad.width() / 2;
    const int dy = pointer.y() - pad.height() / 2;
    const double distance = std::sqrt(static_cast<double>(dx * dx + dy * dy));
    if (distance > pad.width() / 2) {
        return std::nullopt;
    }
    const double degrees =
        std::atan2(static_cast<double>(dy), static_cast<double>(dx)) * kDegreesPerRadian;
    const double t = degrees >= -90.0 ? degrees - 90.0 : degrees + 270.0;
    const double centre = pad.width() * 0.5;

    StereoDrag drag;
    drag.placement = Around(centre, distance, t + 90.0, width);
    drag.placement.cross = pointer - QPoint(kSpriteHalf, kSpriteHalf);
    const double v = t < 0.0 ? -t : 360.0 - t;
    drag.angle = std::clamp(static_cast<int>(v * 127.0 / 360.0), 0, 127);
    // The Focus that puts the pair back at this distance when the sliders next move.
    drag.focus = std::min(static_cast<int>(distance * 127.0 / centre), 127);
    return drag;
}

} // namespace StereoGeometry
