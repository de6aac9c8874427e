#include "tracker/TrackerPosition.h"

#include <algorithm>
#include <cmath>

namespace {

// The source pad the tracker's readings were scaled for, in pixels a side.
constexpr double kPadPixels = 202.0;

// Far beyond the field is as good as at its edge, and the cuts below cannot overflow there.
double Bounded(double value) {
    return std::isnan(value) ? 0.0 : std::clamp(value, -1.0e6, 1.0e6);
}

int Whole(double value) {
    return static_cast<int>(std::trunc(Bounded(value)));
}

// A pixel from the field's left or bottom edge as a position value; the factor is the pad's
// own (1/202 as it was written), so that no reading moves by a rounding.
double FromPixels(int pixels) {
    const int value = Whole((pixels + 8.0) * 127.0 * 0.0049504950495049506 - 1.0);
    return std::clamp(value, 0, 127);
}

} // namespace

std::array<double, 3> SourcePositionFromTracker(double x, double y, double z) {
    // The marker's hot spot lies 5 pixels right of the reading and 6 above it.
    const int fromLeft = Whole(Bounded(x) - 5.0);
    const int fromBottom = Whole(kPadPixels - Bounded(y) - 6.0);
    return {FromPixels(fromLeft), FromPixels(fromBottom), std::clamp(Whole(z), 0, 127) * 1.0};
}
