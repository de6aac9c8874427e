// Devices that come and go under the running window: the lists follow by name, the chosen
// output and input stay chosen, a device that went away is shown absent and reopened when it
// returns, sending the setup only when the operator asks; and a pad drag never floods the wire.
#include "support/MainWindowFixture.h"

#include "controls/CPositionPad.h"
#include "midi/AlsaAnnouncements.h"
#include "midi/ControlChangePacer.h"
#include "model/ParameterTable.h"
#include "ui/CInputDeviceMenu.h"

#include <QAbstractButton>
#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>

#include <alsa/seq_event.h>

namespace {

QStringList Entries(QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) {
        entries << list->itemText(i);
    }
    return entries;
}

QStringList MenuEntries(CInputDeviceMenu& menu) {
    QStringList entries;
    for (QAction* entry : menu.Menu()->actions()) {
        entries << entry->text() + (entry->isChecked() ? QStringLiteral(" *") : QString());
    }
    return entries;
}

class DeviceTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        for (const char* name : {"Desk A", "Processor", "Desk C"}) {
            midi.AddOutputDevice(name);
        }
        midi.AddInputDevice("Keys");
        midi.AddInputDevice("Processor In");
        Start();
        ChooseOutput(2); // the processor
        window->InputDeviceMenu().Select(1);
        midi.ClearRecords();
    }

    // The window hears of a change on the user-interface thread, as it would from a system.
    static void Settle() { QCoreApplication::processEvents(); }

    void MoveInputLevel() { QTest::keyClick(Control(ControlId::InputLevel), Qt::Key_Down); }
};

} // namespace

TEST_F(DeviceTest, ChoosingAnOutputOpensItAtOnceAndSendsNothing) {
    ChooseOutput(3);
    EXPECT_EQ(midi.Calls(), (std::vector<std::string>{"reset-out 1", "close-out 1", "open-out 2"}));
    EXPECT_TRUE(midi.PutEvents().empty());
}

TEST_F(DeviceTest, ARenumberedListKeepsTheChosenDevicesAndTheirConnections) {
    midi.WithdrawOutput(0);
    midi.WithdrawInput(0);
    Settle();
    QComboBox* outputs = List(ControlId::OutputList);
    EXPECT_EQ(Entries(outputs), (QStringList{"Select Output Device", "Processor", "Desk C"}));
    EXPECT_EQ(outputs->currentIndex(), 1);
    EXPECT_EQ(Doc().outMIDIPort, 1);
    EXPECT_EQ(MenuEntries(window->InputDeviceMenu()), (QStringList{"Processor In *"}));
    EXPECT_TRUE(midi.Calls().empty()) << "nothing was closed or reopened";

    MoveInputLevel();
    EXPECT_FALSE(midi.SentTo(1).empty());
    midi.Inject(1, PortEvent{0, 0xB0, 9, 77, 0});
    Settle();
    EXPECT_EQ(Doc().BellFactor[0], 77);
}

TEST_F(DeviceTest, AVanishedDeviceIsShownAbsentAndReopenedWhenItReturns) {
    midi.WithdrawOutput(1);
    midi.WithdrawInput(1);
    Settle();
    QComboBox* outputs = List(ControlId::OutputList);
    EXPECT_EQ(Entries(outputs),
              (QStringList{"Select Output Device", "Desk A", "Desk C", "Processor (absent)"}));
    EXPECT_EQ(outputs->currentIndex(), 3);
    EXPECT_EQ(MenuEntries(window->InputDeviceMenu()),
              (QStringList{"Keys", "Processor In (absent) *"}));
    MoveInputLevel(); // goes nowhere, and nothing breaks
    for (int device : {0, 2}) {
        EXPECT_TRUE(midi.SentTo(device).empty());
    }

    midi.ClearRecords();
    midi.RestoreOutput(1);
    midi.RestoreInput(1);
    Settle();
    EXPECT_EQ(Entries(outputs),
              (QStringList{"Select Output Device", "Desk A", "Processor", "Desk C"}));
    EXPECT_EQ(outputs->currentIndex(), 2);
    EXPECT_EQ(Doc().outMIDIPort, 2);
    EXPECT_EQ(midi.Calls(), (std::vector<std::string>{"open-out 1", "open-in 1", "start-in 1"}));
    EXPECT_TRUE(midi.PutEvents().empty()) << "the reconnection itself sends nothing";

    MoveInputLevel();
    EXPECT_FALSE(midi.SentTo(1).empty());
    midi.Inject(1, PortEvent{0, 0xB0, 9, 55, 0});
    Settle();
    EXPECT_EQ(Doc().BellFactor[0], 55);
}

// Values go where the list shows: a stored device past the end of the list shows no entry,
// and when the list falls back to its prompt entry the document's device does too, so a
// device listed later under that number is not sent to unseen.
TEST_F(DeviceTest, AStoredDevicePastTheListIsNotSentToWhenDevicesArriveLater) {
    Doc().Set(KeyOf(&CControllerDoc::outMIDIPort), 5, ChangeOrigin::Load);
    Settle();
    QComboBox* outputs = List(ControlId::OutputList);
    EXPECT_EQ(outputs->currentIndex(), -1);
    midi.AddOutputDevice("Late 1");
    Settle();
    EXPECT_EQ(outputs->currentIndex(), 0);
    EXPECT_EQ(Doc().outMIDIPort, 0);
    midi.AddOutputDevice("Late 2"); // device 4: the stored number's
    Settle();
    MoveInputLevel();
    DrainLink();
    EXPECT_TRUE(midi.PutEvents().empty());
}

TEST_F(DeviceTest, AReturningProcessorGetsTheWholeSetupOnlyWhenAskedAndARenumberingIsNoReturn) {
    const struct {
        const char* name;
        bool option;
        int device; // goes and comes back: the processor (1) returns, another renumbers it
        int times;
        bool sendsItself;
        bool notice;
    } rows[] = {
        {"two returns, option off", false, 1, 2, false, true},
        {"renumbering, option off", false, 0, 1, false, false},
        {"renumbering, option on", true, 0, 1, false, false},
        {"return, option on", true, 1, 1, true, false},
    };
    // What the three Send buttons put on the wire, pressed in their order.
    for (int id : {ControlId::SendPatchbay, ControlId::SendChannels, ControlId::SendGlobals}) {
        Find<QAbstractButton>(id)->click();
    }
    DrainLink();
    const std::vector<MemoryMidiBackend::Message> setup = midi.SentTo(1);
    ASSERT_FALSE(setup.empty());
    QAction* option = window->CommandAction(CommandId::SendSetupOnReturn);
    EXPECT_FALSE(option->isChecked()) << "off until the operator turns it on";
    for (const auto& row : rows) {
        if (option->isChecked() != row.option) {
            option->trigger();
        }
        midi.ClearRecords();
        for (int n = 0; n < row.times; ++n) {
            midi.WithdrawOutput(row.device);
            Settle();
            midi.RestoreOutput(row.device);
            Settle();
        }
        DrainLink();
        EXPECT_EQ(midi.SentTo(1), row.sendsItself ? setup : decltype(setup){}) << row.name;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const auto notices = window->findChildren<QMessageBox*>("ProcessorReturnedNotice");
        ASSERT_EQ(notices.size(), row.notice ? 1 : 0) << row.name;
        if (row.notice) {
            notices[0]->findChild<QAbstractButton*>("SendSetup")->click();
            EXPECT_FALSE(notices[0]->isVisible()) << row.name;
            DrainLink(); // which lets the closed notice go
            EXPECT_EQ(midi.SentTo(1), setup) << row.name << ": the notice's Send Setup";
        }
    }
    Stop();
    Start();
    EXPECT_TRUE(window->CommandAction(CommandId::SendSetupOnReturn)->isChecked())
        << "the option is remembered across runs";
}

TEST(AlsaAnnouncements, OnlyClientsAndPortsComingAndGoingChangeTheLists) {
    const struct {
        int type;
        bool changes;
    } rows[] = {
        {SND_SEQ_EVENT_CLIENT_START, true},     {SND_SEQ_EVENT_CLIENT_EXIT, true},
        {SND_SEQ_EVENT_CLIENT_CHANGE, true},    {SND_SEQ_EVENT_PORT_START, true},
        {SND_SEQ_EVENT_PORT_EXIT, true},        {SND_SEQ_EVENT_PORT_CHANGE, true},
        {SND_SEQ_EVENT_PORT_SUBSCRIBED, false}, {SND_SEQ_EVENT_PORT_UNSUBSCRIBED, false},
        {SND_SEQ_EVENT_CONTROLLER, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(AnnouncementChangesDevices(row.type), row.changes) << "event type " << row.type;
    }
}

TEST_F(MainWindowTest, AFastPadDragSendsNoFasterThanTheWireAndEndsWhereTheHandStopped) {
    midi.AddOutputDevice("Processor");
    Start();
    ChooseOutput(1);
    midi.ClearRecords();
    CPositionPad* pad = window->SourcePad();
    const QPoint marker = pad->rect().center();
    QTest::mousePress(pad, Qt::LeftButton, {}, marker);
    // A 1,000 Hz mouse for 200 ms: a new point every millisecond, often the same value.
    QElapsedTimer clock;
    clock.start();
    for (int step = 1; step <= 200; ++step) {
        const QPoint at = marker + QPoint(step / 4 % 60 - 30, -(step / 3 % 50));
        QMouseEvent move(QEvent::MouseMove, at, pad->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(pad, &move);
        while (clock.elapsed() < step) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
    }
    const QPoint last = marker + QPoint(11, -17);
    QTest::mouseMove(pad, last);
    QTest::mouseRelease(pad, Qt::LeftButton, {}, last);
    // The last position is due within one interval; a loaded machine may take longer to
    // run the pacer's timer, which is not what this test measures.
    const auto lastSent = [this](int controller) {
        const std::vector<MemoryMidiBackend::Message> wire = midi.SentTo(0);
        for (auto it = wire.rbegin(); it != wire.rend(); ++it) {
            if ((*it)[1] == controller) {
                return static_cast<int>((*it)[2]);
            }
        }
        return -1;
    };
    static_cast<void>(QTest::qWaitFor(
        [&] { return lastSent(20) == Doc().XPosition[0] && lastSent(21) == Doc().YPosition[0]; }));

    const std::vector<MemoryMidiBackend::Message> sent = midi.SentTo(0);
    // Never more than the wire carries in the time the drag took.
    const auto budget = ControlChangePacer::kBurst +
                        clock.elapsed() * ControlChangePacer::kMessagesPerSecond / 1000;
    EXPECT_LE(static_cast<qint64>(sent.size()), budget);
    std::array<int, 3> processor{-1, -1, -1};
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const int index = sent[i][1] - 20;
        ASSERT_TRUE(index >= 0 && index < 3);
        EXPECT_NE(processor[static_cast<std::size_t>(index)], sent[i][2])
            << "message " << i << " repeats the value the processor has";
        processor[static_cast<std::size_t>(index)] = sent[i][2];
    }
    EXPECT_EQ(processor[0], Doc().XPosition[0]);
    EXPECT_EQ(processor[1], Doc().YPosition[0]);
}
