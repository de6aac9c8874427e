// The shipped library through its C interface, on this machine's real HID system.
#include "Kestrel32Dll.h"

#include <gtest/gtest.h>

#include <chrono>

extern "C" int KestrelHeaderIsC(void);

TEST(LibraryAbi, HeaderCompilesAsCAndVersionIs0x0103) {
    EXPECT_EQ(GetKestrelVersion(), 0x0103);
    EXPECT_TRUE(KestrelHeaderIsC());
}

TEST(LibraryAbi, WithoutATrackerEveryReadFailsAtOnceAndLeavesOutputs) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const auto start = std::chrono::steady_clock::now();
        if (ReadData())
            GTEST_SKIP() << "a tracker is connected to this machine";
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    }
    double d[4] = {-1, -1, -1, -1};
    EXPECT_FALSE(GetSens(&d[0], &d[1], &d[2], &d[3]));
    EXPECT_EQ(d[0], -1);
    double x = -1, y = -1, z = -1;
    EXPECT_FALSE(GetCoord(&x, &y, &z));
    EXPECT_EQ(x, -1);
    EXPECT_EQ(z, -1);
}

TEST(LibraryAbi, CoordEvalCrossesTheCInterface) {
    EXPECT_TRUE(CoordEval(28.7228, 33.5410, 37.7492, 33.5410));
    EXPECT_FALSE(CoordEval(0, 0, 0, 0));
}
