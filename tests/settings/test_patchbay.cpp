// The Patchbay window: the working copy shown per input channel, the channel list that
// follows the source, route codes stored and sent by Send, and Close discarding edits.
#include "SettingsWindowFixture.h"

#include "settings/CPatchbayDlg.h"

#include <QTimer>

namespace {

using Message = MemoryMidiBackend::Message;
constexpr std::array<std::uint8_t, 7> kSendOrder = {2, 1, 3, 24, 25, 26, 27};

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
    // The route code sent for input channel c and destination row k (the rows are in the
    // order the section sends them).
    static std::uint8_t SentCode(const std::vector<Message>& wire, int c, int k) {
        const Message& message = wire.at(static_cast<std::size_t>(c * 7 + k));
        EXPECT_EQ(message[0], 0xB0 + c);
        EXPECT_EQ(message[1], kSendOrder[static_cast<std::size_t>(k)]);
        return message[2];
    }
};

} // namespace

TEST_F(PatchbayTest, ANewDocumentShowsNoSignalEverywhereAndSendsZeroRoutes) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    CPatchbayDlg patchbay(*window);
    for (int input = 0; input < 8; ++input) {
        ShowInput(patchbay, input);
        for (int row = 0; row < 7; ++row) {
            EXPECT_EQ(Sources(patchbay, row)->currentIndex(), 0) << input << "/" << row;
            EXPECT_EQ(Channels(patchbay, row)->currentIndex(), -1) << input << "/" << row;
            EXPECT_FALSE(Channels(patchbay, row)->isEnabled()) << input << "/" << row;
        }
    }
    Child<QAbstractButton>(&patchbay, CPatchbayDlg::kSendButton)->click();
    const std::vector<Message> wire = Wire();
    ASSERT_EQ(wire.size(), 56u);
    for (int c = 0; c < 8; ++c) {
        for (int k = 0; k < 7; ++k) {
            EXPECT_EQ(SentCode(wire, c, k), 0) << c << "/" << k;
        }
    }
}

TEST_F(PatchbayTest, SendStoresKindsChannelsAndRouteCodesAndSendsThemAll) {
    struct Case {
        int input, row, kind, channel;
        int storedChannel, code;
    };
    // Rows: 0 Host In (CC 2), 1 Spatializer In (CC 1), 2 Ruruziv Opt In (CC 3), 3 SubMix A
    // (CC 24), 4 SubMix B (CC 25), 5 Insert A (CC 26), 6 Insert B (CC 27).
    const std::vector<Case> cases = {
        {2, 0, CPatchbayDlg::HostOutput, 4, 4, 12},
        {0, 6, CPatchbayDlg::SubMixSendB, -1, 0, 33},
        {7, 5, CPatchbayDlg::SubMixSendA, -1, 0, 32},
        {5, 1, CPatchbayDlg::SpatializerOut, 7, 7, 31},
        {1, 2, CPatchbayDlg::RuruzivOptOut, 0, 0, 16},
        {3, 3, CPatchbayDlg::HostOutput, 7, 7, 15},
        {4, 4, CPatchbayDlg::SpatializerOut, 2, 2, 26},
    };
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    CPatchbayDlg patchbay(*window);
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
        EXPECT_EQ(SentCode(wire, c.input, c.row), c.code);
    }
    EXPECT_EQ(wire[2 * 7 + 0], (Message{0xB2, 0x02, 0x0C}));
}

TEST_F(PatchbayTest, AChangedSourceStartsAtChannelOneOrHasNone) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    CPatchbayDlg patchbay(*window);
    Route(patchbay, 0, 1, CPatchbayDlg::SpatializerOut, 6);
    Choose(Sources(patchbay, 1), CPatchbayDlg::RuruzivOptOut);
    EXPECT_EQ(Channels(patchbay, 1)->currentIndex(), 0);
    EXPECT_EQ(patchbay.WorkingCopy()[0][1].channel, 0);
    Choose(Sources(patchbay, 1), CPatchbayDlg::SubMixSendA);
    EXPECT_EQ(Channels(patchbay, 1)->currentIndex(), -1);
    EXPECT_FALSE(Channels(patchbay, 1)->isEnabled());
    EXPECT_EQ(patchbay.WorkingCopy()[0][1].kind, CPatchbayDlg::SubMixSendA);
    EXPECT_EQ(patchbay.WorkingCopy()[0][1].channel, -1);
}

TEST_F(PatchbayTest, EachInputChannelShowsItsOwnRoutesAndCloseDiscardsThem) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    Doc().SubAPBSelect[6] = CPatchbayDlg::SpatializerOut;
    Doc().SubAValSelect[6] = 5;
    Doc().ValSubASelect[6] = 29;
    {
        CPatchbayDlg patchbay(*window);
        ShowInput(patchbay, 6);
        EXPECT_EQ(Sources(patchbay, 3)->currentIndex(), CPatchbayDlg::SpatializerOut);
        EXPECT_EQ(Channels(patchbay, 3)->currentIndex(), 5);
        EXPECT_TRUE(Channels(patchbay, 3)->isEnabled());

        Route(patchbay, 6, 3, CPatchbayDlg::HostOutput, 2);
        Route(patchbay, 1, 3, CPatchbayDlg::SubMixSendB);
        ShowInput(patchbay, 6);
        EXPECT_EQ(Sources(patchbay, 3)->currentIndex(), CPatchbayDlg::HostOutput);
        EXPECT_EQ(Channels(patchbay, 3)->currentIndex(), 2);
        ShowInput(patchbay, 1);
        EXPECT_EQ(Sources(patchbay, 3)->currentIndex(), CPatchbayDlg::SubMixSendB);
        Child<QAbstractButton>(&patchbay, CPatchbayDlg::kCloseButton)->click();
        EXPECT_EQ(patchbay.result(), QDialog::Rejected);
    }
    EXPECT_EQ(Doc().SubAPBSelect[6], CPatchbayDlg::SpatializerOut);
    EXPECT_EQ(Doc().SubAValSelect[6], 5);
    EXPECT_EQ(Doc().SubBPBSelect[1], 0);
    EXPECT_TRUE(Wire().empty());

    CPatchbayDlg reopened(*window);
    EXPECT_EQ(Child<QComboBox>(&reopened, CPatchbayDlg::kInputChannelList)->currentIndex(), 0);
    ShowInput(reopened, 6);
    EXPECT_EQ(Channels(reopened, 3)->currentIndex(), 5) << "the old routing again";
}

TEST_F(PatchbayTest, AChannelOutsideOneToEightFromAFileIsSentAsChannelOne) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    Doc().HostInPBSelect[0] = CPatchbayDlg::HostOutput;
    Doc().HostInValPBSelect[0] = 12; // would be sent as route 20, a converter channel
    CPatchbayDlg patchbay(*window);
    EXPECT_EQ(Channels(patchbay, 0)->currentIndex(), 0);
    patchbay.Send();
    EXPECT_EQ(Doc().ValHostInPBSelect[0], 8);
}

TEST_F(PatchbayTest, TheMenuCommandRunsTheWindowModally) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    QString shown;
    QTimer::singleShot(0, [&shown] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        shown = modal->windowTitle();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    window->ExecuteCommand(CommandId::Patchbay);
    EXPECT_EQ(shown, QStringLiteral("Patchbay Configuration"));
}
