#include "midi/InputQueue.h"
#include "midi/OutputPortOwner.h"
#include "midi/SystemMidiBackend.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "program/CControllerMidiIn.h"
#include "program/CProcessorLink.h"
#include "support/MemoryMidiBackend.h"
#include "ui/CInputDeviceMenu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <set>
#include <thread>
#include <unistd.h>

namespace {

PortEvent CC(int channel, int controller, int value) {
    PortEvent event;
    event.status = static_cast<std::uint8_t>(0xB0 + channel);
    event.data1 = static_cast<std::uint8_t>(controller);
    event.data2 = static_cast<std::uint8_t>(value);
    return event;
}

class InputPortTest : public ::testing::Test {
protected:
    InputPortTest() {
        menuBar.addMenu(QStringLiteral("&File"));
        menuBar.addMenu(QStringLiteral("&Help"));
        // The receiver asks for the document as it applies each event: on the thread that
        // applies it.
        receiver.SetDocumentSource([this] {
            const std::lock_guard lock(applyingMutex);
            applyingThreads.insert(std::this_thread::get_id());
            return &doc;
        });
    }

    std::set<std::thread::id> ApplyingThreads() {
        const std::lock_guard lock(applyingMutex);
        return applyingThreads;
    }
    ~InputPortTest() override { receiver.Close(); }

    void BuildMenu() {
        menu.Attach(&receiver);
        menu.Build(&menuBar, static_cast<int>(menuBar.actions().size()) - 1,
                   QStringLiteral("&Input Device"), CInputDeviceMenu::kFirstCommandId);
        menu.Select(0);
    }

    std::vector<bool> Checks() const {
        std::vector<bool> checks;
        for (QAction* entry : menu.Menu()->actions()) {
            checks.push_back(entry->isChecked());
        }
        return checks;
    }

    MemoryMidiBackend backend;
    CControllerDoc doc;
    QMenuBar menuBar;
    CControllerMidiIn receiver{backend};
    CInputDeviceMenu menu;
    std::mutex applyingMutex;
    std::set<std::thread::id> applyingThreads;
};

} // namespace

TEST_F(InputPortTest, MenuSitsBeforeHelpAndOpensTheFirstDevice) {
    backend.AddInputDevice("Keyboard");
    backend.AddInputDevice("Processor");
    BuildMenu();
    const QList<QAction*> top = menuBar.actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[1]->text(), QStringLiteral("&Input Device"));
    EXPECT_EQ(top[2]->text(), QStringLiteral("&Help"));
    ASSERT_EQ(menu.Menu()->actions().size(), 2);
    EXPECT_EQ(menu.Menu()->actions()[0]->text(), QStringLiteral("Keyboard"));
    EXPECT_EQ(menu.EntryForId(103)->text(), QStringLiteral("Processor"));
    EXPECT_EQ(Checks(), (std::vector<bool>{true, false}));
    EXPECT_TRUE(receiver.IsOpen());
    EXPECT_TRUE(receiver.IsStarted());
    EXPECT_EQ(backend.Calls(), (std::vector<std::string>{"open-in 0", "start-in 0"}));
}

TEST_F(InputPortTest, ChoosingAnEntrySwitchesDeviceAndMark) {
    backend.AddInputDevice("Keyboard");
    backend.AddInputDevice("Processor");
    BuildMenu();
    backend.ClearRecords();
    menu.EntryForId(103)->trigger(); // as the operator's click does
    EXPECT_EQ(backend.Calls(), (std::vector<std::string>{"stop-in 0", "stop-in 0", "close-in 0",
                                                         "open-in 1", "start-in 1"}));
    EXPECT_EQ(Checks(), (std::vector<bool>{false, true}));
    EXPECT_EQ(receiver.Device(), 1);

    // Identifiers and indexes both select; a value equal to the count clears every mark.
    EXPECT_TRUE(menu.Select(102));
    EXPECT_EQ(Checks(), (std::vector<bool>{true, false}));
    backend.ClearRecords();
    EXPECT_TRUE(menu.Select(2));
    EXPECT_EQ(Checks(), (std::vector<bool>{false, false}));
    EXPECT_TRUE(backend.Calls().empty());
    EXPECT_TRUE(receiver.IsOpen());
    EXPECT_FALSE(menu.Select(105));
    EXPECT_FALSE(menu.Select(-1));
}

TEST_F(InputPortTest, FailedSwitchStillMovesTheMark) {
    backend.AddInputDevice("Keyboard");
    backend.AddInputDevice("Gone", /*opens=*/false);
    BuildMenu();
    EXPECT_TRUE(menu.Select(1));
    EXPECT_EQ(Checks(), (std::vector<bool>{false, true}));
    EXPECT_FALSE(receiver.IsOpen());
}

TEST_F(InputPortTest, NoDevicesGivesAnEmptyMenuAndNoPort) {
    BuildMenu();
    // Only a note of what is missing, which cannot be chosen.
    ASSERT_EQ(menu.Menu()->actions().size(), 1);
    EXPECT_EQ(menu.Menu()->actions()[0]->text(), "No MIDI input devices");
    EXPECT_FALSE(menu.Menu()->actions()[0]->isEnabled());
    EXPECT_FALSE(receiver.IsOpen());
    EXPECT_TRUE(backend.Calls().empty());

    CInputDeviceMenu unattached;
    EXPECT_FALSE(unattached.Select(0));
}

TEST_F(InputPortTest, InputFromAnotherThreadIsAppliedOnTheUserInterfaceThread) {
    backend.AddInputDevice("Processor");
    BuildMenu();
    const std::thread::id uiThread = std::this_thread::get_id();
    ASSERT_NE(doc.InputLevel[2], 90) << "the last value must differ from the reset value";
    const int resetLevel = doc.InputLevel[2];
    std::thread sender([this] {
        for (int value = 1; value <= 90; ++value) {
            backend.Inject(0, CC(2, 7, value));
        }
        backend.Inject(0, CC(3, 0, 40));
    });
    sender.join();
    EXPECT_EQ(doc.InputLevel[2], resetLevel) << "nothing is applied before the event loop runs";
    EXPECT_TRUE(ApplyingThreads().empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(ApplyingThreads(), std::set<std::thread::id>{uiThread});
    EXPECT_EQ(doc.InputLevel[2], 90);
    EXPECT_EQ(doc.RoomSide, 40);

    backend.Inject(0, CC(2, 7, 33));
    QCoreApplication::processEvents();
    EXPECT_EQ(doc.InputLevel[2], 33);
}

TEST_F(InputPortTest, StoppedOrClosedInputTakesNothing) {
    backend.AddInputDevice("Processor");
    BuildMenu();
    receiver.Stop();
    backend.Inject(0, CC(0, 7, 5));
    QCoreApplication::processEvents();
    EXPECT_EQ(doc.InputLevel[0], 100);

    receiver.Start();
    backend.Inject(0, CC(0, 7, 6));
    receiver.Close(); // a notification already posted finds the port closed
    QCoreApplication::processEvents();
    EXPECT_EQ(doc.InputLevel[0], 100);
}

TEST_F(InputPortTest, NoDocumentMeansEventsAreIgnored) {
    backend.AddInputDevice("Processor");
    BuildMenu();
    receiver.SetDocumentSource([] { return nullptr; });
    backend.Inject(0, CC(0, 7, 5));
    QCoreApplication::processEvents();
    EXPECT_EQ(doc.InputLevel[0], 100);
}

TEST_F(InputPortTest, ReceiverDestroyedWithPendingInputIsSafe) {
    backend.AddInputDevice("Processor");
    auto* owned = new CControllerMidiIn(backend);
    owned->SetDocumentSource([this] { return &doc; });
    ASSERT_TRUE(owned->Open(0, OutputPortOwner::kPortOption));
    owned->Start();
    backend.Inject(0, CC(0, 7, 5));
    delete owned; // closes the input; the posted notification is discarded with it
    QCoreApplication::processEvents();
    EXPECT_EQ(doc.InputLevel[0], 100);
    EXPECT_EQ(backend.Calls().back(), "close-in 0");
}

// A value that found no port open is not taken as delivered: once a device is there, the same
// value goes out, although a drag skips values the processor already has.
TEST(OutputPort, AValueThatFoundNoPortIsNotTakenAsDelivered) {
    MemoryMidiBackend backend;
    backend.AddOutputDevice("Processor");
    CControllerDoc doc;
    CProcessorLink link(doc, backend);
    link.Post(KeyOf(&CControllerDoc::XPosition, 2), 10, CProcessorLink::Repeat::Skip);
    EXPECT_TRUE(backend.PutEvents().empty());
    doc.outMIDIPort = 1;
    link.Post(KeyOf(&CControllerDoc::XPosition, 2), 10, CProcessorLink::Repeat::Skip);
    EXPECT_EQ(backend.SentTo(0), (std::vector<MemoryMidiBackend::Message>{{0xB2, 20, 10}}));
}

TEST(InputQueue, NewestControllerValueArrivesLastAfterOverflow) {
    InputQueue queue;
    for (std::size_t n = 0; n < InputQueue::kCapacity; ++n) {
        queue.Push(CC(0, 1, 0));
    }
    queue.Push(CC(0, 7, 10)); // the ring is full: overflows
    PortEvent event;
    queue.Pop(event);         // room again in the ring
    queue.Push(CC(0, 7, 20)); // newer than the overflowed value
    int last = -1;
    while (queue.Pop(event)) {
        last = event.data1 == 7 ? event.data2 : last;
    }
    EXPECT_EQ(last, 20);
}

TEST(NoMidiSystem, SystemBackendIsAbsentAndSilent) {
    // Neither an ALSA sequencer nor a JACK server by this name exists.
    ::setenv("ORBIS_MIDI_API", "jack", 1);
    ::setenv("JACK_DEFAULT_SERVER", "orbis-no-such-server", 1);
    std::fflush(stderr);
    char path[] = "/tmp/orbis-stderr-XXXXXX";
    const int capture = ::mkstemp(path);
    ASSERT_GE(capture, 0);
    const int saved = ::dup(2);
    ::dup2(capture, 2);
    std::unique_ptr<MidiBackend> backend;
    std::vector<std::string> warnings;
    EXPECT_NO_THROW(backend = CreateSystemMidiBackend(
                        [&warnings](const std::string& text) { warnings.push_back(text); }));
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    const off_t written = ::lseek(capture, 0, SEEK_END);
    ::close(capture);
    ::unlink(path);
    ::unsetenv("ORBIS_MIDI_API");
    ::unsetenv("JACK_DEFAULT_SERVER");
    EXPECT_EQ(backend, nullptr);
    EXPECT_EQ(written, 0) << "the missing MIDI system was reported on stderr";
    // The reason goes to the warning hook instead, for the program's log.
    EXPECT_EQ(warnings, (std::vector<std::string>{"no JACK server is running"}));
    EXPECT_EQ(SystemMidiApiName(nullptr), "none");
}
