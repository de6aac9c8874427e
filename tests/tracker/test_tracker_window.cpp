// "The Kestrel" in the main window: positions from the stand-in tracker move the shown
// channel's source, which the pad follows, and go out on that channel; the toggle says what runs;
// switching off and closing never wait for a silent tracker.
#include "StandIn.h"
#include "controls/CPositionPad.h"
#include "controls/CSkinButton.h"
#include "support/MainWindowFixture.h"
#include "tracker/CTheKestrelThread.h"
#include "tracker/CTrackerLink.h"

#include <QCoreApplication>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

class KestrelToggleTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        midi.AddOutputDevice("Processor");
        Start();
        ChooseOutput(1);
        ChooseChannel(kChannel);
        Link()->SetLibraryFileName(StandIn::Path());
        midi.ClearRecords();
    }

    CTrackerLink* Link() { return &app->Tracker(); }
    CSkinButton* Toggle() { return Find<CSkinButton>(ControlId::KestrelToggle); }
    // As a click on the toggle, without running the event loop.
    void Click() { Toggle()->click(); }
    bool WaitProcessing(const std::function<bool()>& condition) {
        return WaitFor(condition, [] { QCoreApplication::processEvents(); });
    }
    bool ToolTipSays(const char* text) { return Toggle()->toolTip().contains(text); }

    static constexpr int kChannel = 2;
    StandIn standIn;
};

TEST_F(KestrelToggleTest, PositionsMoveThePadAndGoOutAsControllers20To22OnTheShownChannel) {
    standIn.Push(15.0, 15.0, 60.0);
    Click();
    EXPECT_EQ(Toggle()->GetCheck(), 1);
    ASSERT_TRUE(WaitProcessing([&] { return Sent().size() >= 3; }));
    Settle(); // the window follows the document once the pass ends

    // A reading of (63.5, 63.5, 127) on the pad's field: values (40, 87, 127).
    const std::vector<PortEvent> sent = Sent();
    const int expected[][2] = {{20, 40}, {21, 87}, {22, 127}};
    ASSERT_EQ(sent.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(sent[i].status, 0xB0 + kChannel);
        EXPECT_EQ(sent[i].data1, expected[i][0]);
        EXPECT_EQ(sent[i].data2, expected[i][1]);
    }
    EXPECT_EQ(window->SourcePad()->MarkerTopLeft(), QPoint(53, 53)) << "standing for (40, 87)";
    EXPECT_EQ(Doc().XPosition[kChannel], 40);
    EXPECT_EQ(Doc().ZPosition[kChannel], 127);
    EXPECT_EQ(Control(ControlId::ZPosition)->value(), 127);
    EXPECT_TRUE(ToolTipSays("moves the shown channel's source"));

    // The tracker falls silent: the toggle stays on and says so.
    EXPECT_TRUE(WaitProcessing([&] { return ToolTipSays("No Kestrel tracker answers"); }));
    EXPECT_EQ(Toggle()->GetCheck(), 1);
    Click();
    EXPECT_EQ(Toggle()->GetCheck(), 0);
    EXPECT_TRUE(ToolTipSays("off"));
}

TEST_F(KestrelToggleTest, ClosingTheWindowCutsThePauseBetweenPollsShort) {
    standIn.Push(15.0, 15.0, 60.0);
    Click();
    ASSERT_TRUE(WaitProcessing([&] { return !Sent().empty(); }));
    // The worker has just polled and pauses for 120 ms.
    const auto start = Clock::now();
    Link()->Shutdown();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(80));
    EXPECT_FALSE(CTheKestrelThread::AnyLeftInLibrary());
}

TEST_F(KestrelToggleTest, AMissingLibraryOrEntryLeavesTheToggleOffAndSaysWhy) {
    const struct {
        QString file;
        const char* says;
    } cases[] = {
        {QStringLiteral("/nonexistent/libKestrel32Dll13.so"), "Cannot load the tracker library"},
        {QStringLiteral(STANDIN_WITHOUT_READDATA), "has no function ReadData"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.says);
        Link()->SetLibraryFileName(test.file);
        Click();
        EXPECT_EQ(Toggle()->GetCheck(), 0);
        EXPECT_FALSE(Link()->IsOn());
        EXPECT_TRUE(ToolTipSays(test.says)) << Toggle()->toolTip().toStdString();
    }
    EXPECT_TRUE(Sent().empty());
}

TEST_F(KestrelToggleTest, APositionThatArrivesAfterSwitchOffIsDropped) {
    standIn.Push(15.0, 15.0, 60.0);
    Click();
    // The worker has read the position and queued it; the window has not yet seen it.
    ASSERT_TRUE(WaitFor([&] { return standIn.Pending() == 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const QPoint before = window->SourcePad()->MarkerTopLeft();
    Click();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(window->SourcePad()->MarkerTopLeft(), before);
}

TEST_F(KestrelToggleTest, SwitchingOffDuringAHeldReadIsImmediateAndSwitchingOnWaitsItsTurn) {
    standIn.HoldReads(true);
    Click();
    ASSERT_TRUE(WaitFor([&] { return standIn.HeldReads() == 1; }));

    const auto start = Clock::now();
    Click();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(Toggle()->GetCheck(), 0);

    Click();
    EXPECT_EQ(Toggle()->GetCheck(), 1);
    EXPECT_TRUE(WaitProcessing([&] { return ToolTipSays("previous read has not ended"); }));
    EXPECT_EQ(standIn.HeldReads(), 1);

    standIn.HoldReads(false);
    standIn.Push(30.0, 30.0, 60.0);
    EXPECT_TRUE(WaitProcessing([&] { return Sent().size() == 3; }));
    EXPECT_EQ(Sent()[0].data2, 80); // pad x 127 reaches the window as 122

    // Quick switching back and forth while reports flow.
    for (int i = 0; i < 20; ++i) {
        standIn.Push(i % 2 ? 5.0 : 25.0, 5.0, 30.0);
        Click();
        std::this_thread::sleep_for(std::chrono::milliseconds(i * 7 % 40));
    }
    EXPECT_EQ(Toggle()->GetCheck(), 1);
    Stop();
    EXPECT_FALSE(CTheKestrelThread::AnyLeftInLibrary());
    EXPECT_EQ(standIn.MostInsideAtOnce(), 1);
}

TEST_F(KestrelToggleTest, ClosingTheWindowDuringAHeldReadEndsWithinTheBound) {
    standIn.HoldReads(true);
    Click();
    ASSERT_TRUE(WaitFor([&] { return standIn.HeldReads() == 1; }));

    const auto start = Clock::now();
    Stop();
    const auto took = Clock::now() - start;
    EXPECT_LT(took, CTheKestrelThread::kFinishBound + std::chrono::milliseconds(250));
    EXPECT_TRUE(CTheKestrelThread::AnyLeftInLibrary());
    EXPECT_TRUE(Sent().empty());

    standIn.HoldReads(false);
    EXPECT_TRUE(WaitFor([] { return !CTheKestrelThread::AnyLeftInLibrary(); }));
}

} // namespace
