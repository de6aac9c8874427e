// The Patchbay window: the working copy shown per input channel, the channel list that
// follows the source, route codes stored and sent by Send, and Close discarding edits.
#include "support/SettingsWindowFixture.h"

#include "settings/CPatchbayDlg.h"

namespace {

using Message = MemoryMidiBackend::Message;
using Kind = CPatchbayDlg::SourceKind;

class PatchbayTest : public SettingsWindowTest {
protected:
    QComboBox* Sources(CPatchbayDlg& patchbay, int row) {
        return Child<QComboBox>(&patchbay, CPatchbayDlg::kDestinationTable[row].sourceListId);
    }
    QComboBox* Channels(CPatchbayDlg& patchbay, int row) {
        return Child<QComboBox>(&patchbay, CPatchbayDlg::kDestinationTable[row].channelListId);
    }
    void ShowInput(CPatchbayDlg& patchbay, int channel) {
        Choose(Child<QComboBox>(&patchbay, CPatchbayDlg::kInputChannelList), channel);
    }
    void Route(CPatchbayDlg& patchbay, int input, int row, int kind, int channel = -1) {
        ShowInput(patchbay, input);
        Choose(Sources(patchbay, row), kind);
        if (channel >= 0) {
            Choose(Channels(patchbay, row), channel);
        }
    }
};

} // namespace

TEST_F(PatchbayTest, ANewDocumentShowsNoSignalEverywhereAndSendsZeroRoutes) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    CPatchbayDlg patchbay(*app, *window);
    for (int input = 0; input < 8; ++input) {
        ShowInput(patchbay, input);
        for (int row = 0; row < 7; ++row) {
            EXPECT_EQ(Sources(patchbay, row)->currentIndex(), 0) << input << "/" << row;
            EXPECT_EQ(Channels(patchbay, row)->currentIndex(), -1) << input << "/" << row;
            EXPECT_FALSE(Channels(patchbay, row)->isEnabled()) << input << "/" << row;
        }
    }
    patchbay.Send();
    const std::vector<Message> wire = Wire();
    ASSERT_EQ(wire.size(), 56u);
    EXPECT_EQ(std::count_if(wire.begin(), wire.end(), [](const Message& m) { return m[2] == 0; }),
              56);
}

TEST_F(PatchbayTest, SendStoresKindsChannelsAndRouteCodesAndSendsThemAll) {
    struct Case {
        int input, row, kind, channel, storedChannel, code;
    };
    // Rows in the order the section sends them: Host In (CC 2), Spatializer In (CC 1),
    // Ruruziv Opt In (CC 3), SubMix A In (24), SubMix B In (25), Insert A (26), Insert B (27).
    constexpr std::array<std::uint8_t, 7> kControllers = {2, 1, 3, 24, 25, 26, 27};
    const std::vector<Case> cases = {
        {2, 0, Kind::HostOutput, 4, 4, 12},     {0, 6, Kind::SubMixSendB, -1, 0, 33},
        {7, 5, Kind::SubMixSendA, -1, 0, 32},   {5, 1, Kind::SpatializerOut, 7, 7, 31},
        {1, 2, Kind::RuruzivOptOut, 0, 0, 16},  {3, 3, Kind::HostOutput, 7, 7, 15},
        {4, 4, Kind::SpatializerOut, 2, 2, 26},
    };
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    CPatchbayDlg patchbay(*app, *window);
    for (const Case& c : cases) {
        Route(patchbay, c.input, c.row, c.kind, c.channel);
    }
    Child<QAbstractButton>(&patchbay, CPatchbayDlg::kSendButton)->click();
    const std::vector<Message> wire = Wire();
    ASSERT_EQ(wire.size(), 56u);
    for (const Case& c : cases) {
        const CPatchbayDlg::Destination& row = CPatchbayDlg::kDestinationTable[c.row];
        SCOPED_TRACE(std::string(row.label) + " of input " + std::to_string(c.input + 1));
        EXPECT_EQ((Doc().*row.kinds)[c.input], c.kind);
        EXPECT_EQ((Doc().*row.channels)[c.input], c.storedChannel);
        EXPECT_EQ((Doc().*row.routeCodes)[c.input], c.code);
        EXPECT_EQ(wire[c.input * 7 + c.row], (Message{std::uint8_t(0xB0 + c.input),
                                                      kControllers[c.row], std::uint8_t(c.code)}));
    }
}

TEST_F(PatchbayTest, AChangedSourceStartsAtChannelOneOrHasNone) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    CPatchbayDlg patchbay(*app, *window);
    Route(patchbay, 0, 1, Kind::SpatializerOut, 6);
    Choose(Sources(patchbay, 1), Kind::SpatializerOut);
    EXPECT_EQ(patchbay.WorkingCopy()[0][1].channel, 6)
        << "the entry already chosen changes nothing";
    Choose(Sources(patchbay, 1), Kind::RuruzivOptOut);
    EXPECT_EQ(Channels(patchbay, 1)->currentIndex(), 0);
    EXPECT_EQ(patchbay.WorkingCopy()[0][1].channel, 0);
    Choose(Sources(patchbay, 1), Kind::SubMixSendA);
    EXPECT_FALSE(Channels(patchbay, 1)->isEnabled());
    EXPECT_EQ(patchbay.WorkingCopy()[0][1].channel, -1);
}

TEST_F(PatchbayTest, EachInputChannelKeepsItsRoutesAndCloseDiscardsThem) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    Doc().SubAPBSelect[6] = Kind::SpatializerOut;
    Doc().SubAValSelect[6] = 5;
    {
        CPatchbayDlg patchbay(*app, *window);
        Route(patchbay, 6, 3, Kind::HostOutput, 2);
        Route(patchbay, 1, 3, Kind::SubMixSendB);
        ShowInput(patchbay, 6);
        EXPECT_EQ(Sources(patchbay, 3)->currentIndex(), Kind::HostOutput);
        EXPECT_EQ(Channels(patchbay, 3)->currentIndex(), 2);
        Child<QAbstractButton>(&patchbay, CPatchbayDlg::kCloseButton)->click();
    }
    EXPECT_EQ(Doc().SubAPBSelect[6], Kind::SpatializerOut);
    EXPECT_EQ(Doc().SubBPBSelect[1], Kind::NoSignal);
    EXPECT_TRUE(Wire().empty());
    CPatchbayDlg reopened(*app, *window);
    ShowInput(reopened, 6);
    EXPECT_EQ(Channels(reopened, 3)->currentIndex(), 5) << "the document's routing again";
}

TEST_F(PatchbayTest, AChannelOutsideOneToEightFromAFileIsTakenAsChannelOne) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    Doc().HostInPBSelect[0] = Kind::HostOutput;
    Doc().HostInValPBSelect[0] = 12; // as is, route 20: a converter channel
    CPatchbayDlg patchbay(*app, *window);
    EXPECT_EQ(Channels(patchbay, 0)->currentIndex(), 0);
    patchbay.Send();
    EXPECT_EQ(Doc().ValHostInPBSelect[0], 8);
}
