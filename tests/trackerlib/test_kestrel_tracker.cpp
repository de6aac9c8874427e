#include "FakeHidBackend.h"
#include "KestrelTracker.h"

#include <gtest/gtest.h>

using kestrel::KestrelTracker;

namespace {

// A source near (10, 20, 25), its distances rounded to whole counts.
const FakeHidBackend::Reply kAbove = FakeHidBackend::Report({263, 307, 346, 307});
const FakeHidBackend::Reply kAllZero = FakeHidBackend::Report({0, 0, 0, 0});

struct Fixture {
    FakeHidBackend backend;
    FakeHidBackend::Device& tracker = backend.Add(0x1295, 0x0011);
    KestrelTracker library{backend};
};

} // namespace

TEST(KestrelTracker, GetSensTurnsCountsIntoDistances) {
    Fixture f;
    f.tracker.replies = {FakeHidBackend::Report({1000, 0, 65535, 1})};
    double d[4] = {-1, -1, -1, -1};
    ASSERT_TRUE(f.library.GetSens(&d[0], &d[1], &d[2], &d[3]));
    EXPECT_DOUBLE_EQ(d[0], 109.2);
    EXPECT_EQ(d[1], 0.0);
    EXPECT_DOUBLE_EQ(d[2], 7156.422);
    EXPECT_DOUBLE_EQ(d[3], 0.1092);
    EXPECT_EQ(f.library.StoredDistances()[0], d[0]);
}

TEST(KestrelTracker, GetSensWithoutAReportLeavesOutputsAndStoredDistances) {
    Fixture f;
    f.tracker.replies = {FakeHidBackend::Report({1000, 1000, 1000, 1000})};
    ASSERT_TRUE(f.library.GetSens(nullptr, nullptr, nullptr, nullptr));
    double d[4] = {-1, -2, -3, -4};
    EXPECT_FALSE(f.library.GetSens(&d[0], &d[1], &d[2], &d[3]));
    EXPECT_EQ(d[0], -1);
    EXPECT_EQ(d[3], -4);
    EXPECT_DOUBLE_EQ(f.library.StoredDistances()[2], 109.2);
}

TEST(KestrelTracker, GetCoordReadsTwoReportsAndEvaluatesTheSecond) {
    Fixture f;
    f.tracker.replies = {kAllZero, kAbove};
    double x = -1, y = -1, z = -1;
    ASSERT_TRUE(f.library.GetCoord(&x, &y, &z));
    EXPECT_EQ(f.backend.reads, 2);
    const auto expected = kestrel::Trilaterate(f.library.StoredDistances());
    ASSERT_TRUE(expected);
    EXPECT_EQ(x, expected->x);
    EXPECT_EQ(y, expected->y);
    EXPECT_EQ(z, expected->z);
    EXPECT_NEAR(x, 10.0, 0.2);
    EXPECT_NEAR(y, 20.0, 0.2);
    EXPECT_NEAR(z, 25.0, 0.2);
}

TEST(KestrelTracker, GetCoordWithoutAReportLeavesItsOutputs) {
    Fixture f;
    double x = -1, y = -2, z = -3;
    EXPECT_FALSE(f.library.GetCoord(&x, &y, &z));
    EXPECT_EQ(x, -1);
    EXPECT_EQ(y, -2);
    EXPECT_EQ(z, -3);
}

TEST(KestrelTracker, GetCoordEvaluatesEarlierDistancesWhenItsSecondReadFails) {
    Fixture f;
    f.tracker.replies = {kAbove, FakeHidBackend::Report({1, 2, 3, 4}),
                         FakeHidBackend::Bytes({1, 2, 3})};
    ASSERT_TRUE(f.library.GetSens(nullptr, nullptr, nullptr, nullptr));
    double x = -1, y = -1, z = -1;
    EXPECT_TRUE(f.library.GetCoord(&x, &y, &z));
    EXPECT_NEAR(x, 10.0, 0.2);
    EXPECT_NEAR(z, 25.0, 0.2);
}

TEST(KestrelTracker, FailedEvaluationWritesZerosAndClearsTheLastPosition) {
    Fixture f;
    ASSERT_TRUE(f.library.CoordEval(28.7228, 33.5410, 37.7492, 33.5410));
    EXPECT_NEAR(f.library.LastPosition().z, 25.0, 1e-3);

    f.tracker.replies = {kAbove, kAllZero};
    double x = -1, y = -1, z = -1;
    EXPECT_FALSE(f.library.GetCoord(&x, &y, &z));
    EXPECT_EQ(x, 0.0);
    EXPECT_EQ(y, 0.0);
    EXPECT_EQ(z, 0.0);
    EXPECT_EQ(f.library.LastPosition().x, 0.0);
    EXPECT_EQ(f.library.LastPosition().z, 0.0);
}
