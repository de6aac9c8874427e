// Position of the source from its distances to the four receivers at the corners of a
// 30 x 30 square: receiver 3 at (0, 0), 2 at (30, 0), 1 at (30, 30), 0 at (0, 30),
// with Z the height above their plane.
#pragma once

#include <array>
#include <optional>

namespace kestrel {

inline constexpr double kReceiverSpacing = 30.0;
inline constexpr double kCountToDistance = 0.1092;

struct Position {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

using Distances = std::array<double, 4>;

// The receiver left out of the evaluation: the farthest, the lowest index on a tie.
// Nothing when no distance is a usable one (all negative or not a number).
std::optional<int> FarthestReceiver(const Distances& distances);

// Trilateration over the three nearest receivers. Nothing when the distances do not
// close to a point, or any of them is negative or not finite.
std::optional<Position> Trilaterate(const Distances& distances);

} // namespace kestrel
