#include "Trilateration.h"

#include <cmath>

namespace kestrel {

namespace {

constexpr double L = kReceiverSpacing;

// A foot distance √(d² − h²) between one of the three distances a, b, c (0, 1, 2) and
// one of the two heights h1, h2 (0, 1).
struct Foot {
    int distance;
    int height;
};

// Z = √(h² − (offset − coordinate)²).
struct Height {
    int height;
    bool fromX;
    double offset;
};

struct Rule {
    Foot x, y, u, v;
    Height z;
};

// Indexed by the receiver left out; a, b, c are the distances of the next three in
// cyclic order, h1 the height over the side a–b, h2 over the side b–c.
constexpr std::array<Rule, 4> kRules{{
    {{2, 1}, {1, 0}, {1, 1}, {0, 0}, {1, false, 0.0}},
    {{1, 0}, {1, 1}, {0, 0}, {2, 1}, {0, false, 0.0}},
    {{1, 1}, {0, 0}, {2, 1}, {1, 0}, {0, true, 0.0}},
    {{0, 0}, {2, 1}, {1, 0}, {1, 1}, {0, false, L}},
}};

// The height of the triangle with sides L, p, q over its side L (Heron).
std::optional<double> HeightOverSide(double p, double q) {
    const double s = (L + p + q) / 2.0;
    const double squaredArea = s * (s - L) * (s - p) * (s - q);
    if (squaredArea < 0.0)
        return std::nullopt;
    return 2.0 * std::sqrt(squaredArea) / L;
}

// √ of a negative (or NaN) radicand means the distances do not meet.
std::optional<double> Root(double radicand) {
    if (!(radicand >= 0.0))
        return std::nullopt;
    return std::sqrt(radicand);
}

// −1 when the foot lies beyond the receiver p was measured from, outside the side.
double Side(double p, double q) {
    if (p < L)
        return q > L ? -1.0 : 1.0;
    return q > p ? -1.0 : 1.0;
}

} // namespace

std::optional<int> FarthestReceiver(const Distances& distances) {
    double farthest = 0.0;
    for (double r : distances) {
        if (farthest < r)
            farthest = r;
    }
    for (int i = 0; i < 4; ++i) {
        if (distances[static_cast<std::size_t>(i)] == farthest)
            return i;
    }
    return std::nullopt;
}

std::optional<Position> Trilaterate(const Distances& distances) {
    for (double r : distances) {
        if (!std::isfinite(r) || r < 0.0)
            return std::nullopt;
    }
    const std::optional<int> k = FarthestReceiver(distances);
    if (!k)
        return std::nullopt;
    const auto at = [&](int offset) {
        return distances[static_cast<std::size_t>((*k + offset) % 4)];
    };
    const std::array<double, 3> d{at(1), at(2), at(3)};

    const std::optional<double> h1 = HeightOverSide(d[0], d[1]);
    const std::optional<double> h2 = HeightOverSide(d[1], d[2]);
    if (!h1 || !h2)
        return std::nullopt;
    const std::array<double, 2> h{*h1, *h2};

    const Rule& rule = kRules[static_cast<std::size_t>(*k)];
    const auto foot = [&](Foot f) {
        const double dist = d[static_cast<std::size_t>(f.distance)];
        const double height = h[static_cast<std::size_t>(f.height)];
        return Root(dist * dist - height * height);
    };
    std::optional<double> x = foot(rule.x);
    std::optional<double> y = foot(rule.y);
    const std::optional<double> u = foot(rule.u);
    const std::optional<double> v = foot(rule.v);
    if (!x || !y || !u || !v)
        return std::nullopt;
    *x = Side(*x, *u) * *x;
    *y = Side(*y, *v) * *y;

    const double height = h[static_cast<std::size_t>(rule.z.height)];
    const double across = rule.z.offset - (rule.z.fromX ? *x : *y);
    const std::optional<double> z = Root(height * height - across * across);
    if (!z)
        return std::nullopt;
    // Distances too large for double arithmetic would otherwise come back as a position.
    if (!std::isfinite(*x) || !std::isfinite(*y) || !std::isfinite(*z))
        return std::nullopt;
    return Position{*x, *y, *z};
}

} // namespace kestrel
