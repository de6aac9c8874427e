#include "midi/IncomingMessage.h"
#include "midi/OutputEncoder.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

PortEvent Event(int status, int data1 = 0, int data2 = 0) {
    PortEvent event;
    event.status = static_cast<std::uint8_t>(status);
    event.data1 = static_cast<std::uint8_t>(data1);
    event.data2 = static_cast<std::uint8_t>(data2);
    return event;
}

std::vector<Bytes> Feed(OutputEncoder& encoder, const std::vector<PortEvent>& events) {
    std::vector<Bytes> wire;
    for (const PortEvent& event : events) {
        Bytes message;
        if (encoder.Encode(event, message)) {
            wire.push_back(message);
        }
    }
    return wire;
}

std::vector<PortEvent> SysEx(const Bytes& bytes) {
    std::vector<PortEvent> events;
    for (std::uint8_t byte : bytes) {
        events.push_back(Event(0xF0, byte));
    }
    return events;
}

} // namespace

TEST(OutputEncoder, ShortMessagesTakeTheLengthTheirStatusCallsFor) {
    const struct {
        PortEvent event;
        Bytes wire;
    } rows[] = {
        {Event(0xB3, 7, 100), {0xB3, 7, 100}}, {Event(0xC0, 64, 0), {0xC0, 64}},
        {Event(0xD5, 9, 33), {0xD5, 9}},       {Event(0x90, 60, 0), {0x90, 60, 0}},
        {Event(0xE0, 0, 64), {0xE0, 0, 64}},   {Event(0xF8, 1, 2), {0xF8}},
        {Event(0xF1, 5, 9), {0xF1, 5}},        {Event(0xF2, 1, 2), {0xF2, 1, 2}},
    };
    for (const auto& row : rows) {
        OutputEncoder encoder;
        EXPECT_EQ(Feed(encoder, {row.event}), std::vector<Bytes>{row.wire})
            << "status " << int(row.event.status);
    }
}

TEST(OutputEncoder, RefusesWhatWouldCorruptTheStream) {
    OutputEncoder encoder;
    EXPECT_TRUE(Feed(encoder, {Event(0x40, 1, 2),                  // no status byte
                               Event(0xB0, 0x80, 1),               // data byte with the top bit set
                               Event(0xC0, 0xFF, 0), Event(0xF7)}) // a lone end of SysEx
                    .empty());
    // The second byte of a Program Change is not sent, so its content does not matter.
    EXPECT_EQ(Feed(encoder, {Event(0xC0, 3, 0xFF)}), (std::vector<Bytes>{{0xC0, 3}}));
}

TEST(OutputEncoder, SysExGoesOutOnlyWhole) {
    OutputEncoder encoder;
    const Bytes stop = {0xF0, 0x00, 0x20, 0x5E, 0x06, 0xF7};
    auto events = SysEx(stop);
    EXPECT_TRUE(Feed(encoder, {events.begin(), events.end() - 1}).empty());
    EXPECT_TRUE(encoder.SysExInProgress());
    EXPECT_EQ(Feed(encoder, {events.back()}), std::vector<Bytes>{stop});
    EXPECT_FALSE(encoder.SysExInProgress());
}

TEST(OutputEncoder, BrokenSysExRunsAreDropped) {
    const Bytes good = {0xF0, 0x00, 0x20, 0x5E, 0x08, 0xF7};
    const struct {
        const char* name;
        std::vector<PortEvent> events;
    } rows[] = {
        {"no F0 at the start", SysEx({0x00, 0x20, 0x5E, 0x08, 0xF7})},
        {"status byte inside", SysEx({0xF0, 0x00, 0x90, 0x08, 0xF7})},
    };
    for (const auto& row : rows) {
        OutputEncoder encoder;
        EXPECT_TRUE(Feed(encoder, row.events).empty()) << row.name;
        // The next good message is unharmed.
        EXPECT_EQ(Feed(encoder, SysEx(good)), std::vector<Bytes>{good}) << row.name;
    }

    OutputEncoder interrupted;
    auto events = SysEx({0xF0, 0x00, 0x20});
    events.push_back(Event(0xB0, 7, 1));
    for (PortEvent event : SysEx({0x5E, 0x04, 0xF7})) {
        events.push_back(event);
    }
    EXPECT_EQ(Feed(interrupted, events), (std::vector<Bytes>{{0xB0, 7, 1}}));

    OutputEncoder restarted; // a second F0 abandons the first run
    EXPECT_EQ(Feed(restarted, SysEx({0xF0, 0x01, 0xF0, 0x02, 0xF7})),
              (std::vector<Bytes>{{0xF0, 0x02, 0xF7}}));

    OutputEncoder reset;
    Feed(reset, SysEx({0xF0, 0x01}));
    reset.Reset();
    EXPECT_TRUE(Feed(reset, SysEx({0x02, 0xF7})).empty());
}

TEST(OutputEncoder, RunawaySysExIsBounded) {
    OutputEncoder encoder;
    std::vector<PortEvent> events = {Event(0xF0, 0xF0)};
    for (std::size_t i = 0; i < OutputEncoder::kMaxSysExLength + 10; ++i) {
        events.push_back(Event(0xF0, 0x11));
    }
    events.push_back(Event(0xF0, 0xF7));
    EXPECT_TRUE(Feed(encoder, events).empty());
    EXPECT_FALSE(encoder.SysExInProgress());
}

TEST(IncomingMessage, OnlyCompleteShortMessagesBecomeEvents) {
    const struct {
        const char* name;
        Bytes wire;
        bool taken;
    } rows[] = {
        {"control change", {0xB2, 7, 48}, true},
        {"program change", {0xC0, 5}, true},
        {"clock", {0xF8}, true}, // taken here, ignored by the document
        {"running status", {7, 48}, false},
        {"truncated", {0xB2, 7}, false},
        {"too long", {0xB2, 7, 48, 1}, false},
        {"SysEx", {0xF0, 0x7E, 0xF7}, false},
        {"data out of range", {0xB2, 0x87, 48}, false},
        {"empty", {}, false},
    };
    for (const auto& row : rows) {
        const auto event = ParseIncomingMessage(row.wire.data(), row.wire.size());
        EXPECT_EQ(event.has_value(), row.taken) << row.name;
        if (event && row.wire.size() == 3) {
            EXPECT_EQ(event->status, row.wire[0]) << row.name;
            EXPECT_EQ(event->data1, row.wire[1]) << row.name;
            EXPECT_EQ(event->data2, row.wire[2]) << row.name;
        }
    }
}
