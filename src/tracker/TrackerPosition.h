// Where a tracker reading puts the source: the tracker reports x, y and z on the source
// pad's 202-pixel field (y downward, z a 0-127 height), and the source moves to the
// document's position values, 0-127 per axis with y upward, as whole numbers. The arithmetic
// is the one the pad always applied to readings, so a show's recorded moves land where
// they always did.
#pragma once

#include <array>

// x, y and z as position values, each a whole number in 0-127. Readings far off the field,
// infinite or not numbers at all land on its edges (NaN on the origin's side).
std::array<double, 3> SourcePositionFromTracker(double x, double y, double z);
