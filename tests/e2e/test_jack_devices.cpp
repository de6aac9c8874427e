// Connections that survive a show, on real JACK servers: the program's own ports never in
// its lists, a device that leaves and comes back reconnected, a server stopped and started
// again under the running window and under the real program, and a flood of input applied
// whole, in order, on the user-interface thread.
#include "midi/JackMidiBackend.h"
#include "midi/OutputPortOwner.h"
#include "model/CControllerDoc.h"
#include "program/CControllerApp.h"
#include "program/CControllerMidiIn.h"
#include "program/CProcessorLink.h"
#include "support/EventLoop.h"
#include "support/JackBackendTest.h"
#include "support/PrivateJackServer.h"
#include "ui/CControllerDlg.h"
#include "ui/ControlIds.h"

#include <QAbstractSlider>
#include <QComboBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace {

QStringList Entries(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) {
        entries << list->itemText(i);
    }
    return entries;
}

// The main window on a JACK backend, its output chosen by the device's name.
struct Program {
    explicit Program(MidiBackend& midi) : app(midi), window(app) { window.show(); }

    QComboBox* Outputs() { return window.findChild<QComboBox*>(QStringLiteral("OutputList")); }
    bool Choose(const QString& name) {
        const int index = Outputs()->findText(name);
        if (index < 1) {
            return false;
        }
        Outputs()->setCurrentIndex(index);
        emit Outputs()->activated(index);
        return true;
    }
    void MoveInputLevel() { QTest::keyClick(window.Control(ControlId::InputLevel), Qt::Key_Down); }

    CControllerApp app;
    CControllerDlg window;
};

// Records the values the receiver gives the document, checking the thread it runs on.
class Recording {
public:
    explicit Recording(CControllerDoc& doc) : m_doc(doc) {
        m_id = doc.Subscribe([this](const DocumentChanges& changes) {
            for (const ValueChange& change : changes.values) {
                offThread += QThread::currentThread() != QCoreApplication::instance()->thread();
                values.push_back(change.newValue);
            }
        });
    }
    ~Recording() { m_doc.Unsubscribe(m_id); }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    std::vector<int> values;
    int offThread = 0;

private:
    CControllerDoc& m_doc;
    int m_id = 0;
};

class JackDeviceTest : public JackBackendTest {};

// The private server of one test, with JACK_DEFAULT_SERVER pointing at it meanwhile.
class RestartTest : public ::testing::Test {
protected:
    RestartTest(const char* name = "orbis-restart-",
                PrivateJackServer::Cycle cycle = PrivateJackServer::Cycle::Asynchronous)
        : server(name + std::to_string(::getpid()), cycle) {}

    void SetUp() override {
        if (!UseTestJackServer()) {
            GTEST_SKIP() << "ORBIS_TEST_JACK_SERVER is not set: scripts/test runs these";
        }
        m_shared = std::getenv("JACK_DEFAULT_SERVER");
        ::setenv("JACK_DEFAULT_SERVER", server.Name().c_str(), 1);
        ASSERT_TRUE(server.Start()) << "a private JACK server did not start";
    }
    void TearDown() override {
        server.Stop();
        ::setenv("JACK_DEFAULT_SERVER", m_shared.c_str(), 1);
    }

    PrivateJackServer server;

private:
    std::string m_shared;
};

// A loaded machine makes JACK's cycles late. On an asynchronous server a late cycle may run
// the sender twice before the program's client reads, or the program's twice on one buffer:
// a whole period of the sender's messages lost or repeated before the program sees them.
// The flood runs on a synchronous server of its own, where every period reaches it once.
class FloodTest : public RestartTest {
protected:
    FloodTest() : RestartTest("orbis-flood-", PrivateJackServer::Cycle::Synchronous) {}
};

} // namespace

TEST_F(JackDeviceTest, OwnPortsStayOutOfTheListsAndALeavingDeviceIsReconnected) {
    auto sink = std::make_unique<BareJackClient>("orbis-e2e-sink", BareJackClient::Role::Sink);
    BareJackClient flood("orbis-e2e-source", BareJackClient::Role::Flood);
    ASSERT_TRUE(sink->IsOpen() && flood.IsOpen());
    Program program(*backend);
    ASSERT_TRUE(ProcessEventsUntil([&] { return program.Choose("orbis-e2e-sink:in"); }));
    program.window.InputDeviceMenu().Select(InputDevice("orbis-e2e-source"));
    for (int n = 0; n < backend->OutputCount(); ++n) {
        EXPECT_EQ(backend->OutputName(n)->rfind("Orbis", 0), std::string::npos)
            << *backend->OutputName(n);
    }
    for (int n = 0; n < backend->InputCount(); ++n) {
        EXPECT_EQ(backend->InputName(n)->rfind("Orbis", 0), std::string::npos)
            << *backend->InputName(n);
    }
    program.MoveInputLevel();
    ASSERT_TRUE(ProcessEventsUntil([&] { return sink->Received() > 0; }));

    sink.reset();
    ASSERT_TRUE(ProcessEventsUntil([&] {
        return program.Outputs()->currentText() == "orbis-e2e-sink:in (absent)";
    })) << Entries(program.Outputs()).join(", ").toStdString();
    program.MoveInputLevel(); // nowhere to go; nothing breaks

    sink = std::make_unique<BareJackClient>("orbis-e2e-sink", BareJackClient::Role::Sink);
    ASSERT_TRUE(ProcessEventsUntil([&] {
        return program.Outputs()->currentText() == "orbis-e2e-sink:in" &&
               program.window.ProcessorLink().Output().Port().IsAlive();
    })) << Entries(program.Outputs()).join(", ").toStdString();
    EXPECT_EQ(sink->Received(), 0u) << "the reconnection itself sends nothing";
    program.MoveInputLevel();
    EXPECT_TRUE(ProcessEventsUntil([&] { return sink->Received() > 0; }));
}

// A device number means the device the lists showed, though another left before it opened.
TEST_F(JackDeviceTest, ADeviceLeavingBeforeTheOpenDoesNotPutItsNeighbourInPlace) {
    auto leaving =
        std::make_unique<BareJackClient>("orbis-e2e-leaving", BareJackClient::Role::Flood);
    BareJackClient chosen("orbis-e2e-chosen", BareJackClient::Role::Flood);
    BareJackClient neighbour("orbis-e2e-neighbour", BareJackClient::Role::Flood);
    CControllerDoc doc;
    Recording recording(doc);
    CControllerMidiIn receiver(*backend);
    receiver.SetDocumentSource([&doc] { return &doc; });
    const int device = InputDevice("orbis-e2e-chosen");
    ASSERT_GE(device, 0);
    leaving.reset();
    QThread::msleep(200); // the server tells of the leaving port

    ASSERT_TRUE(receiver.Open(device, OutputPortOwner::kPortOption));
    receiver.Start();
    chosen.Flood(10);
    EXPECT_TRUE(ProcessEventsUntil([&] { return recording.values.size() >= 10; }, 5000))
        << "the chosen device's messages did not arrive";
    receiver.Close();
}

TEST_F(FloodTest, AFloodOfInputArrivesWholeAndInOrderOnTheUserInterfaceThread) {
    constexpr std::size_t kMessages = 100000;
    const std::unique_ptr<MidiBackend> backend = JackMidiBackend::Create({});
    ASSERT_NE(backend, nullptr);
    BareJackClient flood("orbis-e2e-flood", BareJackClient::Role::Flood);
    ASSERT_TRUE(flood.IsOpen());
    CControllerDoc doc;
    Recording recording(doc);
    CControllerMidiIn receiver(*backend);
    receiver.SetDocumentSource([&doc] { return &doc; });
    const int device = FindDevice(
        backend->InputCount(), [&backend](int n) { return InputDeviceName(*backend, n); },
        "orbis-e2e-flood");
    ASSERT_GE(device, 0);
    ASSERT_TRUE(receiver.Open(device, OutputPortOwner::kPortOption));
    receiver.Start();

    flood.Flood(kMessages);
    ASSERT_TRUE(ProcessEventsUntil([&] { return recording.values.size() >= kMessages; }, 30000))
        << recording.values.size() << " of " << flood.Sent() << " sent";
    receiver.Close();
    EXPECT_EQ(recording.offThread, 0);
    ASSERT_EQ(recording.values.size(), kMessages);
    for (std::size_t i = 0; i < kMessages; ++i) {
        ASSERT_EQ(recording.values[i], static_cast<int>(i % 128)) << "message " << i;
    }
    EXPECT_EQ(doc.InputLevel[0], static_cast<int>((kMessages - 1) % 128));
}

TEST_F(RestartTest, AServerStoppedAndStartedAgainIsSurvivedAndReconnected) {
    std::unique_ptr<MidiBackend> midi = JackMidiBackend::Create({});
    ASSERT_NE(midi, nullptr);
    auto sink = std::make_unique<BareJackClient>("orbis-sink", BareJackClient::Role::Sink);
    {
        Program program(*midi);
        ASSERT_TRUE(ProcessEventsUntil([&] { return program.Choose("orbis-sink:in"); }));
        program.MoveInputLevel();
        ASSERT_TRUE(ProcessEventsUntil([&] { return sink->Received() > 0; }));

        server.Stop();
        ASSERT_TRUE(ProcessEventsUntil([&] {
            return program.Outputs()->currentText() == "orbis-sink:in (absent)";
        })) << Entries(program.Outputs()).join(", ").toStdString();
        EXPECT_TRUE(Entries(program.Outputs()).contains("the JACK server has stopped"));
        program.MoveInputLevel();
        sink->ServerStopped();
        sink.reset();

        ASSERT_TRUE(server.Start());
        sink = std::make_unique<BareJackClient>("orbis-sink", BareJackClient::Role::Sink);
        ASSERT_TRUE(ProcessEventsUntil(
            [&] {
                return program.Outputs()->currentText() == "orbis-sink:in" &&
                       program.window.ProcessorLink().Output().Port().IsAlive();
            },
            10000))
            << Entries(program.Outputs()).join(", ").toStdString();
        program.MoveInputLevel();
        EXPECT_TRUE(ProcessEventsUntil([&] { return sink->Received() > 0; }));

        server.Stop(); // and the program closes with its server gone
        sink->ServerStopped();
        sink.reset();
    }
    midi.reset();
}

TEST_F(RestartTest, TheRealProgramSurvivesARestartAndEndsCleanly) {
    auto sink = std::make_unique<BareJackClient>("orbis-sink", BareJackClient::Role::Sink);
    ASSERT_TRUE(sink->IsOpen());
    std::unique_ptr<MidiBackend> lister = JackMidiBackend::Create({});
    ASSERT_NE(lister, nullptr);
    const int device = FindDevice(
        lister->OutputCount(), [&lister](int n) { return OutputDeviceName(*lister, n); },
        "orbis-sink:in");
    lister.reset();
    ASSERT_GE(device, 0);

    QTemporaryDir home;
    const QString file = WriteSetupSendingTo(home.path(), device);
    ASSERT_FALSE(file.isEmpty());
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(ORBIS_PROGRAM), {file});
    ASSERT_TRUE(program.waitForStarted(5000));
    // Stopped only once the program is on the server and has listed the device it will
    // reconnect: a server stopped under a client still opening can freeze libjack.
    QElapsedTimer clock;
    clock.start();
    while (!sink->SeesClient("Orbis") && clock.elapsed() < 20000) {
        QThread::msleep(20);
    }
    ASSERT_TRUE(sink->SeesClient("Orbis")) << "the program did not join the server";
    QThread::msleep(1500); // the window lists the devices a moment after its client joins

    server.Stop();
    sink->ServerStopped();
    sink.reset();
    QThread::msleep(500);
    ASSERT_TRUE(server.Start());
    sink = std::make_unique<BareJackClient>("orbis-sink", BareJackClient::Role::Sink);
    // The program connects to the returned device by itself.
    clock.restart();
    while (sink->Connections() == 0 && clock.elapsed() < 10000) {
        QThread::msleep(20);
    }
    EXPECT_GT(sink->Connections(), 0) << "the program did not reconnect";
    EXPECT_EQ(program.state(), QProcess::Running) << "the program survived the restart";

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}
