#include "FakeHidBackend.h"
#include "TrackerDevice.h"

#include <gtest/gtest.h>

using kestrel::TrackerDevice;

namespace {

std::array<std::uint16_t, 4> Counts(const TrackerDevice& device) {
    return {device.Count(0), device.Count(1), device.Count(2), device.Count(3)};
}

} // namespace

TEST(TrackerDevice, MatchesVendor1295WithProductHighByteZero) {
    const struct {
        std::uint16_t vendor, product;
        bool matches;
    } rows[] = {
        {0x1295, 0x0011, true},  {0x1295, 0x0000, true},  {0x1295, 0x00FF, true},
        {0x1295, 0x0100, false}, {0x1295, 0xFF11, false}, {0x1296, 0x0011, false},
        {0x0000, 0x0011, false}, {0x9512, 0x0011, false},
    };
    for (const auto& row : rows) {
        FakeHidBackend backend;
        backend.Add(row.vendor, row.product)
            .replies.push_back(FakeHidBackend::Report({1, 2, 3, 4}));
        TrackerDevice device(backend);
        EXPECT_EQ(device.ReadData(), row.matches)
            << std::hex << "vendor 0x" << row.vendor << " product 0x" << row.product;
        EXPECT_EQ(backend.opened.size(), row.matches ? 1u : 0u);
    }
}

TEST(TrackerDevice, FirstMatchThatOpensInEnumerationOrderIsUsed) {
    FakeHidBackend backend;
    backend.Add(0x1295, 0x0100);
    backend.Add(0x1295, 0x0003).opens = false;
    backend.Add(0x1295, 0x0002).replies.push_back(FakeHidBackend::Report({2, 2, 2, 2}));
    backend.Add(0x1295, 0x0001).replies.push_back(FakeHidBackend::Report({1, 1, 1, 1}));
    TrackerDevice device(backend);

    ASSERT_TRUE(device.ReadData());
    EXPECT_EQ(backend.opened, std::vector<std::string>{"/dev/fake2"});
    EXPECT_EQ(device.Count(0), 2);
}

TEST(TrackerDevice, NoDeviceFailsWithoutReadingAndSearchesAgainNextCall) {
    FakeHidBackend backend;
    backend.Add(0x046D, 0x0011);
    TrackerDevice device(backend);

    EXPECT_FALSE(device.ReadData());
    EXPECT_FALSE(device.ReadData());
    EXPECT_EQ(backend.enumerations, 2);
    EXPECT_EQ(backend.reads, 0);

    backend.Add(0x1295, 0x0011).replies.push_back(FakeHidBackend::Report({9, 9, 9, 9}));
    EXPECT_TRUE(device.ReadData());
    EXPECT_EQ(backend.enumerations, 3);
}

TEST(TrackerDevice, SilentDeviceIsClosedAfterTheTimeOutThenFoundAndReadAgain) {
    FakeHidBackend backend;
    auto& tracker = backend.Add(0x1295, 0x0011);
    tracker.replies = {FakeHidBackend::Report({1, 2, 3, 4}), FakeHidBackend::Timeout(),
                       FakeHidBackend::Report({5, 6, 7, 8})};
    TrackerDevice device(backend);

    ASSERT_TRUE(device.ReadData());
    EXPECT_FALSE(device.ReadData());
    EXPECT_FALSE(device.IsPresent());
    EXPECT_EQ(backend.openConnections, 0);
    EXPECT_EQ(backend.enumerations, 1);

    ASSERT_TRUE(device.ReadData());
    EXPECT_EQ(backend.enumerations, 2);
    EXPECT_EQ(backend.openConnections, 1);
    EXPECT_EQ(Counts(device), (std::array<std::uint16_t, 4>{5, 6, 7, 8}));
    for (int timeout : backend.timeouts)
        EXPECT_EQ(timeout, 6000);
}

TEST(TrackerDevice, FailedReadLosesTheDeviceAtOnce) {
    // An unplugged hidraw device fails every read immediately; keeping it would never
    // pick up the tracker when it is plugged back in.
    FakeHidBackend backend;
    backend.Add(0x1295, 0x0011).replies = {FakeHidBackend::Failure(),
                                           FakeHidBackend::Report({1, 1, 1, 1})};
    TrackerDevice device(backend);

    EXPECT_FALSE(device.ReadData());
    EXPECT_FALSE(device.IsPresent());
    EXPECT_TRUE(device.ReadData());
    EXPECT_EQ(backend.enumerations, 2);
}

TEST(TrackerDevice, ReportsWithAndWithoutIdGiveTheSameLayout) {
    const struct {
        const char* name;
        bool carriesId;
        FakeHidBackend::Reply reply;
    } rows[] = {
        {"unnumbered", false, FakeHidBackend::Report({0x1234, 0x00FF, 0xFF00, 0xFFFF})},
        {"numbered", true, FakeHidBackend::Report({0x1234, 0x00FF, 0xFF00, 0xFFFF}, true)},
        {"unnumbered, longer", false,
         FakeHidBackend::Bytes({0x34, 0x12, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xAA, 0xBB})},
    };
    for (const auto& row : rows) {
        FakeHidBackend backend;
        auto& tracker = backend.Add(0x1295, 0x0011);
        tracker.carriesId = row.carriesId;
        tracker.replies.push_back(row.reply);
        TrackerDevice device(backend);

        ASSERT_TRUE(device.ReadData()) << row.name;
        EXPECT_EQ(Counts(device), (std::array<std::uint16_t, 4>{0x1234, 0x00FF, 0xFF00, 0xFFFF}))
            << row.name;
        EXPECT_EQ(device.Report()[0], row.carriesId ? 7 : 0) << row.name;
    }
}

TEST(TrackerDevice, ShortReportIsNoReportAndKeepsTheDeviceAndTheLastReport) {
    const struct {
        const char* name;
        bool carriesId;
        std::vector<std::uint8_t> bytes;
    } rows[] = {
        {"unnumbered, 7 bytes", false, {1, 2, 3, 4, 5, 6, 7}},
        {"numbered, 8 bytes", true, {7, 1, 2, 3, 4, 5, 6, 7}},
        {"numbered, id only", true, {7}},
    };
    for (const auto& row : rows) {
        FakeHidBackend backend;
        auto& tracker = backend.Add(0x1295, 0x0011);
        tracker.carriesId = row.carriesId;
        tracker.replies = {FakeHidBackend::Report({10, 20, 30, 40}, row.carriesId),
                           FakeHidBackend::Bytes(row.bytes)};
        TrackerDevice device(backend);

        ASSERT_TRUE(device.ReadData()) << row.name;
        EXPECT_FALSE(device.ReadData()) << row.name;
        EXPECT_TRUE(device.IsPresent()) << row.name;
        EXPECT_EQ(Counts(device), (std::array<std::uint16_t, 4>{10, 20, 30, 40})) << row.name;
    }
}
