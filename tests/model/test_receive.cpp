#include "support/DocumentFixture.h"

namespace {

// What the main window's MIDI input does with a received message.
void Receive(CControllerDoc& doc, int status, int controller, int value) {
    if (const auto received = ReceivedControlChange(status, controller, value)) {
        doc.Set(received->key, received->value, ChangeOrigin::Live);
    }
}

struct ReceiveRow {
    const char* name;
    int status;
    int controller;
    int value;
    int CControllerDoc::*global;         // expected to carry the value, or nullptr
    ChannelArray CControllerDoc::*array; // expected to carry the value, or nullptr
    int channel;
};

} // namespace

TEST(ReceiveRules, EachControlChangeCarriesOneValueOrNone) {
    using D = CControllerDoc;
    // One row a line, so the table reads as a table.
    // clang-format off
    const std::vector<ReceiveRow> rows = {
        {"speakers on ch 2", 0xB1, 0, 7, &D::NMatrixOutput, nullptr, 0},
        {"master on ch 3", 0xB2, 0, 90, &D::MasterOutgain, nullptr, 0},
        {"room side on ch 4", 0xB3, 0, 30, &D::RoomSide, nullptr, 0},
        {"doppler tracking on ch 5", 0xB4, 0, 3, &D::MatrixSpeed, nullptr, 0},
        {"controller 0 on ch 1", 0xB0, 0, 16, nullptr, nullptr, 0},
        {"controller 0 on ch 6", 0xB5, 0, 16, nullptr, nullptr, 0},
        {"input level", 0xB2, 7, 48, nullptr, &D::InputLevel, 2},
        {"lowpass", 0xB7, 4, 1, nullptr, &D::LPFCutOff, 7},
        {"highpass", 0xB0, 5, 9, nullptr, &D::HPFCutOff, 0},
        {"attenuation", 0xB1, 8, 2, nullptr, &D::Attenuation, 1},
        {"bell", 0xB1, 9, 3, nullptr, &D::BellFactor, 1},
        {"itd", 0xB1, 11, 4, nullptr, &D::ITDDepth, 1},
        {"gain enhance", 0xB1, 12, 5, nullptr, &D::GainEnhance, 1},
        {"speaker x", 0xB3, 13, 6, nullptr, &D::SpatOutXPos, 3},
        {"speaker z", 0xB3, 15, 7, nullptr, &D::SpatOutZPos, 3},
        {"front rear", 0xB3, 16, 8, nullptr, &D::FrontRear, 3},
        {"insert b", 0xB3, 31, 10, nullptr, &D::InsertBGain, 3},
        {"source x", 0xB4, 20, 11, nullptr, &D::XPosition, 4},
        {"source y", 0xB4, 21, 12, nullptr, &D::YPosition, 4},
        {"source z", 0xB4, 22, 13, nullptr, &D::ZPosition, 4},
        {"route code not taken back", 0xB0, 2, 5, nullptr, nullptr, 0},
        {"insert b route not taken back", 0xB0, 27, 5, nullptr, nullptr, 0},
        {"unused controller 10", 0xB0, 10, 5, nullptr, nullptr, 0},
        {"unused controller 23", 0xB0, 23, 5, nullptr, nullptr, 0},
        {"unused controller 127", 0xB0, 127, 5, nullptr, nullptr, 0},
        {"poly pressure", 0xAF, 4, 16, nullptr, nullptr, 0},
        {"channel 9", 0xB8, 7, 16, nullptr, nullptr, 0},
        {"note on", 0x90, 7, 16, nullptr, nullptr, 0},
        {"clock", 0xF8, 0, 0, nullptr, nullptr, 0},
        {"SysEx", 0xF0, 0x7E, 0, nullptr, nullptr, 0},
        {"data byte out of range", 0xB0, 7, 200, nullptr, nullptr, 0},
        {"controller out of range", 0xB0, 135, 1, nullptr, nullptr, 0},
    };
    // clang-format on
    for (const ReceiveRow& row : rows) {
        SCOPED_TRACE(row.name);
        const auto received = ReceivedControlChange(row.status, row.controller, row.value);
        if (!row.global && !row.array) {
            EXPECT_FALSE(received.has_value());
            continue;
        }
        ASSERT_TRUE(received.has_value());
        EXPECT_EQ(received->key, row.global ? KeyOf(row.global) : KeyOf(row.array, row.channel));
        EXPECT_EQ(received->value, row.value);
    }
}

TEST_F(DocumentTest, ReceivedPositionsLandOnTheirOwnCoordinateAndChannel) {
    Receive(doc, 0xB2, 20, 10);
    Receive(doc, 0xB2, 21, 20);
    EXPECT_EQ(doc.XPosition[2], 10);
    EXPECT_EQ(doc.YPosition[2], 20);
    EXPECT_EQ(doc.XPosition[1], 64);
    EXPECT_EQ(doc.YPosition[3], 64);
}

TEST_F(DocumentTest, ReceivingSendsNothingBack) {
    ASSERT_TRUE(output.Choose(1));
    for (int controller = 0; controller < 128; ++controller) {
        Receive(doc, 0xB0, controller, 1);
        Receive(doc, 0xB1, controller, 1);
    }
    EXPECT_TRUE(backend.PutEvents().empty());
}

TEST(ReceiveWithoutWindow, StoresValues) {
    CControllerDoc doc;
    Receive(doc, 0xB2, 7, 48);
    Receive(doc, 0xB3, 0, 40);
    Receive(doc, 0xB1, 20, 5);
    EXPECT_EQ(doc.InputLevel[2], 48);
    EXPECT_EQ(doc.RoomSide, 40);
    EXPECT_EQ(doc.XPosition[1], 5);
}
