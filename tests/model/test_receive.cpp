#include "support/DocumentFixture.h"

namespace {

PortEvent Event(int status, int data1, int data2) {
    PortEvent event;
    event.status = static_cast<std::uint8_t>(status);
    event.data1 = static_cast<std::uint8_t>(data1);
    event.data2 = static_cast<std::uint8_t>(data2);
    return event;
}

struct ReceiveRow {
    const char* name;
    int shown;
    PortEvent event;
    int CControllerDoc::*global;         // expected to change, or nullptr
    ChannelArray CControllerDoc::*array; // expected to change, or nullptr
    int channel;
    std::vector<std::string> moves;
};

} // namespace

TEST_F(DocumentTest, ReceiveRules) {
    // One row a line, so the table reads as a table.
    // clang-format off
    const std::vector<ReceiveRow> rows = {
        {"speakers on ch 2, not shown", 5, Event(0xB1, 0, 7), &CControllerDoc::NMatrixOutput, nullptr, 0, {"NMatrixOutput 7"}},
        {"master on ch 3", 0, Event(0xB2, 0, 90), &CControllerDoc::MasterOutgain, nullptr, 0, {"MasterOutgain 90"}},
        {"room side on ch 4", 0, Event(0xB3, 0, 30), &CControllerDoc::RoomSide, nullptr, 0, {"RoomSide 30"}},
        {"doppler tracking on ch 5", 0, Event(0xB4, 0, 3), &CControllerDoc::MatrixSpeed, nullptr, 0, {"MatrixSpeed 3"}},
        {"controller 0 on ch 1", 0, Event(0xB0, 0, 16), nullptr, nullptr, 0, {}},
        {"controller 0 on ch 6", 5, Event(0xB5, 0, 16), nullptr, nullptr, 0, {}},
        {"input level shown", 2, Event(0xB2, 7, 48), nullptr, &CControllerDoc::InputLevel, 2, {"InputLevel0 48"}},
        {"input level not shown", 0, Event(0xB2, 7, 48), nullptr, &CControllerDoc::InputLevel, 2, {}},
        {"lowpass", 7, Event(0xB7, 4, 1), nullptr, &CControllerDoc::LPFCutOff, 7, {"LPFCutOff0 1"}},
        {"highpass", 0, Event(0xB0, 5, 9), nullptr, &CControllerDoc::HPFCutOff, 0, {"HPFCutOff0 9"}},
        {"attenuation", 1, Event(0xB1, 8, 2), nullptr, &CControllerDoc::Attenuation, 1, {"Attenuation0 2"}},
        {"bell", 1, Event(0xB1, 9, 3), nullptr, &CControllerDoc::BellFactor, 1, {"BellFactor0 3"}},
        {"itd", 1, Event(0xB1, 11, 4), nullptr, &CControllerDoc::ITDDepth, 1, {"ITDDepth0 4"}},
        {"gain enhance", 1, Event(0xB1, 12, 5), nullptr, &CControllerDoc::GainEnhance, 1, {"GainEnhance0 5"}},
        {"speaker x", 3, Event(0xB3, 13, 6), nullptr, &CControllerDoc::SpatOutXPos, 3, {"SpatOutXPos0 6"}},
        {"speaker z", 3, Event(0xB3, 15, 7), nullptr, &CControllerDoc::SpatOutZPos, 3, {"SpatOutZPos0 7"}},
        {"front rear", 3, Event(0xB3, 16, 8), nullptr, &CControllerDoc::FrontRear, 3, {"FrontRear0 8"}},
        {"insert b", 3, Event(0xB3, 31, 10), nullptr, &CControllerDoc::InsertBGain, 3, {"InsertBGain0 10"}},
        {"source x shown", 4, Event(0xB4, 20, 11), nullptr, &CControllerDoc::XPosition, 4, {"pad 11 64"}},
        {"source y shown", 4, Event(0xB4, 21, 12), nullptr, &CControllerDoc::YPosition, 4, {"pad 64 12"}},
        {"source z shown", 4, Event(0xB4, 22, 13), nullptr, &CControllerDoc::ZPosition, 4, {"z 13"}},
        {"source x not shown", 0, Event(0xB4, 20, 11), nullptr, &CControllerDoc::XPosition, 4, {}},
        {"route code not taken back", 0, Event(0xB0, 2, 5), nullptr, nullptr, 0, {}},
        {"insert b route not taken back", 0, Event(0xB0, 27, 5), nullptr, nullptr, 0, {}},
        {"unused controller 10", 0, Event(0xB0, 10, 5), nullptr, nullptr, 0, {}},
        {"unused controller 23", 0, Event(0xB0, 23, 5), nullptr, nullptr, 0, {}},
        {"unused controller 127", 0, Event(0xB0, 127, 5), nullptr, nullptr, 0, {}},
        {"poly pressure", 0, Event(0xAF, 4, 16), nullptr, nullptr, 0, {}},
        {"channel 9", 0, Event(0xB8, 7, 16), nullptr, nullptr, 0, {}},
        {"note on", 0, Event(0x90, 7, 16), nullptr, nullptr, 0, {}},
        {"clock", 0, Event(0xF8, 0, 0), nullptr, nullptr, 0, {}},
        {"SysEx", 0, Event(0xF0, 0x7E, 0), nullptr, nullptr, 0, {}},
        {"data byte out of range", 0, Event(0xB0, 7, 200), nullptr, nullptr, 0, {}},
        {"controller out of range", 0, Event(0xB0, 135, 1), nullptr, nullptr, 0, {}},
    };
    // clang-format on
    for (const ReceiveRow& row : rows) {
        SCOPED_TRACE(row.name);
        CControllerDoc fresh;
        fresh.SetView(&view);
        const CControllerDoc reference;
        view.moves.clear();
        view.shownChannel = row.shown;
        fresh.ApplyIncomingEvent(row.event);
        EXPECT_EQ(view.moves, row.moves);
        // Exactly the expected value changed, nothing else.
        if (row.global) {
            EXPECT_EQ(fresh.*row.global, row.event.data2);
            fresh.*row.global = reference.*row.global;
        }
        if (row.array) {
            EXPECT_EQ((fresh.*row.array)[row.channel], row.event.data2);
            (fresh.*row.array)[row.channel] = (reference.*row.array)[row.channel];
        }
        EXPECT_EQ(fresh.NMatrixOutput, reference.NMatrixOutput);
        EXPECT_EQ(fresh.MasterOutgain, reference.MasterOutgain);
        EXPECT_EQ(fresh.RoomSide, reference.RoomSide);
        EXPECT_EQ(fresh.MatrixSpeed, reference.MatrixSpeed);
        for (int k = 0; k < 8; ++k) {
            EXPECT_EQ(fresh.InputLevel[k], reference.InputLevel[k]);
            EXPECT_EQ(fresh.XPosition[k], reference.XPosition[k]);
            EXPECT_EQ(fresh.ValHostInPBSelect[k], 0);
        }
    }
}

TEST_F(DocumentTest, PadMovesBeforeTheStoreUsingTheOtherStoredCoordinate) {
    view.shownChannel = 2;
    doc.ApplyIncomingEvent(Event(0xB2, 20, 10));
    doc.ApplyIncomingEvent(Event(0xB2, 21, 20));
    EXPECT_EQ(view.moves, (std::vector<std::string>{"pad 10 64", "pad 10 20"}));
    EXPECT_EQ(doc.XPosition[2], 10);
    EXPECT_EQ(doc.YPosition[2], 20);
}

TEST_F(DocumentTest, ReceivingSendsNothingBack) {
    view.outputSelection = 1;
    ASSERT_TRUE(doc.EnsureOutputOpen(1));
    for (int controller = 0; controller < 128; ++controller) {
        doc.ApplyIncomingEvent(Event(0xB0, controller, 1));
        doc.ApplyIncomingEvent(Event(0xB1, controller, 1));
    }
    EXPECT_TRUE(backend.PutEvents().empty());
}

TEST(ReceiveWithoutWindow, StoresValuesAndMovesNothing) {
    CControllerDoc doc;
    doc.ApplyIncomingEvent(Event(0xB2, 7, 48));
    doc.ApplyIncomingEvent(Event(0xB3, 0, 40));
    doc.ApplyIncomingEvent(Event(0xB1, 20, 5));
    EXPECT_EQ(doc.InputLevel[2], 48);
    EXPECT_EQ(doc.RoomSide, 40);
    EXPECT_EQ(doc.XPosition[1], 5);
}
