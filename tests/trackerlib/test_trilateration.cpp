#include "Trilateration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using kestrel::Distances;
using kestrel::FarthestReceiver;
using kestrel::Position;
using kestrel::Trilaterate;

namespace {

constexpr double kReceivers[4][2] = {{0, 30}, {30, 30}, {30, 0}, {0, 0}};

Distances ExactDistances(Position p) {
    Distances d{};
    for (std::size_t i = 0; i < 4; ++i)
        d[i] = std::hypot(p.x - kReceivers[i][0], p.y - kReceivers[i][1], p.z);
    return d;
}

::testing::AssertionResult Near(const std::optional<Position>& got, Position want, double tol) {
    if (!got)
        return ::testing::AssertionFailure() << "no position";
    if (std::abs(got->x - want.x) > tol || std::abs(got->y - want.y) > tol ||
        std::abs(got->z - want.z) > tol)
        return ::testing::AssertionFailure()
               << "got (" << got->x << ", " << got->y << ", " << got->z << ")";
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(Trilateration, KnownPointsComeBack) {
    const struct {
        const char* name;
        Position point;
        int leftOut;
    } rows[] = {
        {"above the square", {10, 20, 25}, 2},
        {"outside, negative X by the side rule", {-5, 40, 10}, 2},
        {"on receiver 0, in the plane", {0, 30, 0}, 2},
        {"in the plane beyond receiver 3", {-40, 0, 0}, 1},
        {"beyond receiver 1", {45, 50, 5}, 3},
        {"beyond receiver 2, negative Y", {40, -10, 20}, 0},
    };
    for (const auto& row : rows) {
        const Distances d = ExactDistances(row.point);
        EXPECT_EQ(FarthestReceiver(d), row.leftOut) << row.name;
        EXPECT_TRUE(Near(Trilaterate(d), row.point, 1e-9)) << row.name;
    }
}

TEST(Trilateration, RandomPointsAboveThePlaneComeBackWhicheverReceiverIsLeftOut) {
    std::mt19937_64 random(20240607);
    std::uniform_real_distribution<double> across(-45.0, 75.0);
    std::uniform_real_distribution<double> height(0.5, 80.0);
    int leftOut[4] = {};
    for (int n = 0; n < 20000; ++n) {
        const Position p{across(random), across(random), height(random)};
        const Distances d = ExactDistances(p);
        ++leftOut[*FarthestReceiver(d)];
        ASSERT_TRUE(Near(Trilaterate(d), p, 1e-6))
            << "point (" << p.x << ", " << p.y << ", " << p.z << ")";
    }
    for (int k = 0; k < 4; ++k)
        EXPECT_GT(leftOut[k], 2000) << "receiver " << k;
}

TEST(Trilateration, PointsInThePlaneComeBackOrFailButAreNeverWrong) {
    int failed = 0;
    for (int x = -20; x <= 50; x += 5) {
        for (int y = -20; y <= 50; y += 5) {
            const Position p{double(x), double(y), 0.0};
            const std::optional<Position> got = Trilaterate(ExactDistances(p));
            if (!got) {
                ++failed;
                continue;
            }
            EXPECT_TRUE(Near(got, p, 1e-6)) << x << ", " << y;
        }
    }
    // Rounding puts some radicands a step below zero: those must fail, not guess.
    EXPECT_GT(failed, 0);
}

TEST(Trilateration, FarthestReceiverTakesTheLowestIndexOnATie) {
    const struct {
        Distances d;
        int k;
    } rows[] = {
        {{1, 2, 2, 1}, 1}, {{0, 0, 0, 0}, 0}, {{3, 3, 3, 3}, 0},
        {{1, 5, 2, 5}, 1}, {{5, 1, 1, 5}, 0}, {{0, 0, 0, 1}, 3},
    };
    for (const auto& row : rows)
        EXPECT_EQ(FarthestReceiver(row.d), row.k)
            << row.d[0] << " " << row.d[1] << " " << row.d[2] << " " << row.d[3];

    // Receivers 0 and 1 equally far: 0 is left out and the point still comes back.
    const Distances tie = ExactDistances({15, 5, 10});
    ASSERT_EQ(tie[0], tie[1]);
    EXPECT_EQ(FarthestReceiver(tie), 0);
    EXPECT_TRUE(Near(Trilaterate(tie), {15, 5, 10}, 1e-9));
}

TEST(Trilateration, DistancesThatDoNotMeetGiveNoPosition) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        Distances d;
    } rows[] = {
        {"all zero", {0, 0, 0, 0}},
        {"triangle cannot close", {10, 10, 10, 10}},
        {"one far, three at zero", {100, 0, 0, 0}},
        {"triangles close, foot beyond the height", {16, 16, 45, 16}},
        {"negative", {-1, 20, 30, 20}},
        {"all negative", {-1, -2, -3, -4}},
        {"not a number", {nan, 20, 30, 20}},
        {"infinite", {inf, 20, 30, 20}},
        {"too large to square", {1e200, 1e200, 1e200, 1e200}},
    };
    for (const auto& row : rows)
        EXPECT_FALSE(Trilaterate(row.d).has_value()) << row.name;
}
