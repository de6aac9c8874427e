// OSC control of the running program from a sender of the test's own: positions as xyz, aed
// and x arrive in the document and on the wire, a pattern moves every object, a flood leaves
// every object at its last position without putting more on the wire than a MIDI cable
// carries, garbage changes nothing, and a query is answered. The real program listens only
// when asked, and then only on the loopback address.
#include "support/MainWindowFixture.h"

#include "midi/ControlChangePacer.h"
#include "midi/OutputPortOwner.h"
#include "model/ControllerFile.h"
#include "model/ParameterTable.h"
#include "osc/OscMessage.h"
#include "program/CCueEngine.h"
#include "program/CNetworkControl.h"
#include "program/CUndoHistory.h"

#include <QDir>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QUdpSocket>
#include <QUndoStack>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <limits>
#include <set>
#include <sstream>

namespace {

quint16 FreePort() {
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    return probe.localPort();
}

class NetworkControlTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        midi.AddOutputDevice("Processor");
        Start();
        ChooseOutput(1);
        ASSERT_TRUE(answers.bind(QHostAddress::LocalHost, 0));
        CNetworkControl::Stored stored;
        stored.enabled = true;
        stored.port = FreePort();
        stored.answerPort = answers.localPort();
        QString why;
        ASSERT_TRUE(window->NetworkControl().Use(stored, &why)) << why.toStdString();
        port = static_cast<quint16>(stored.port);
        RestLink();
        midi.ClearRecords();
    }
    void Send(const OscMessage& message) {
        const std::vector<char> datagram = EncodeOsc(message);
        sender.writeDatagram(datagram.data(), static_cast<qint64>(datagram.size()),
                             QHostAddress::LocalHost, port);
    }
    std::array<int, 3> Position(int c) {
        return {Doc().XPosition[c], Doc().YPosition[c], Doc().ZPosition[c]};
    }
    // The last value each position controller of `channel` got on the wire.
    std::array<int, 3> Wire(int channel) {
        std::array<int, 3> last{-1, -1, -1};
        for (const PortEvent& e : Sent()) {
            if (e.status == 0xB0 + channel && e.data1 >= 20 && e.data1 <= 22) {
                last[e.data1 - 20] = e.data2;
            }
        }
        return last;
    }

    QUdpSocket sender;
    QUdpSocket answers;
    quint16 port = 0;
};

struct PositionCase {
    const char* name;
    OscMessage message;
    int channel;
    std::array<int, 3> position;
    std::array<int, 3> wire; // -1: never sent, the processor has the value already
};

} // namespace

TEST_F(NetworkControlTest, PositionsArriveInTheDocumentAndOnTheWire) {
    const PositionCase cases[] = {
        {"xyz", {"/adm/obj/1/xyz", {0.5f, -1.0f, 0.0f}}, 0, {95, 0, 64}, {95, 0, 64}},
        {"aed", {"/adm/obj/2/aed", {90.0f, 0.0f, 1.0f}}, 1, {0, 64, 64}, {0, 64, 64}},
        {"a lone azimuth keeps the distance",
         {"/adm/obj/2/azim", {-90.0f}},
         1,
         {127, 64, 64},
         {127, 64, 64}},
        {"x alone", {"/adm/obj/3/x", {1.0f}}, 2, {127, 64, 64}, {127, -1, -1}},
    };
    for (const PositionCase& test : cases) {
        SCOPED_TRACE(test.name);
        Send(test.message);
        EXPECT_TRUE(QTest::qWaitFor([&] { return Position(test.channel) == test.position; }));
        EXPECT_EQ(Wire(test.channel), test.wire);
    }
    Send({"/adm/obj/*/z", {1.0f}});
    EXPECT_TRUE(QTest::qWaitFor([&] {
        for (int c = 0; c < 8; ++c) {
            if (Position(c)[2] != 127) {
                return false;
            }
        }
        return true;
    }));
    Send({"/adm/obj/1/gain", {0.5f}});
    EXPECT_TRUE(QTest::qWaitFor([&] { return Doc().InputLevel[0] == 64; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isWindowModified()) << "a live change marks the document";
    EXPECT_EQ(window->UndoHistory().Stack().count(), 0) << "and is no undo step";

    // A query is answered on the answer port with the current value.
    Send({"/adm/obj/1/xyz", {}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.hasPendingDatagrams(); }));
    const QByteArray answer = answers.receiveDatagram().data();
    const auto decoded = DecodeOsc(answer.constData(), static_cast<std::size_t>(answer.size()));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->path, "/adm/obj/1/xyz");
    EXPECT_EQ(decoded->Types(), "fff");
    EXPECT_NEAR(*decoded->Float(2), 1.0, 1e-6);
}

TEST_F(NetworkControlTest, AFloodEndsOnTheLastPositionsWithinTheWiresBudget) {
    QElapsedTimer clock;
    clock.start();
    // What the wire held when, sampled between the program's turns.
    std::vector<std::pair<qint64, std::size_t>> samples;
    std::array<std::array<int, 3>, 8> last{};
    for (int i = 0; i < 16000; ++i) {
        const int object = i % 8;
        const float x = static_cast<float>((i * 37 % 201) - 100) / 100.0f;
        Send({"/adm/obj/" + std::to_string(object + 1) + "/xyz", {x, -x, x / 2}});
        if (i % 40 == 0) { // each section far more often than the cable carries it
            Send({i % 80 ? "/orbis/send/globals" : "/orbis/send/channels", {}});
        }
        last[static_cast<std::size_t>(object)] = {
            PositionFromCoordinate(x), PositionFromCoordinate(-x), PositionFromCoordinate(x / 2)};
        if (i % 100 == 99) {
            // Still fifty times what the cable carries, but within what the kernel's socket
            // buffer holds for the receiving thread: a datagram the kernel drops is lost to
            // every receiver, and this test is about what the program does with what arrives.
            QThread::usleep(2000);
            QCoreApplication::processEvents();
            samples.emplace_back(clock.nsecsElapsed(), midi.PutEvents().size());
        }
    }
    // On a loaded machine the kernel may still drop a datagram when the receiving thread
    // waits for a core; a sender that stops moving sends its last position again.
    QThread::msleep(50);
    for (int c = 0; c < 8; ++c) {
        const auto coordinate = [](int value) {
            return static_cast<float>(CoordinateFromPosition(value));
        };
        Send({"/adm/obj/" + std::to_string(c + 1) + "/xyz",
              {coordinate(last[c][0]), coordinate(last[c][1]), coordinate(last[c][2])}});
    }
    for (int c = 0; c < 8; ++c) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return Position(c) == last[c]; })) << c;
        EXPECT_EQ(Wire(c), last[c]) << c;
    }
    samples.emplace_back(clock.nsecsElapsed(), Sent().size());
    // A sliding second: what went out between two samples less than a second apart.
    for (std::size_t first = 0, end = 0; end < samples.size(); ++end) {
        while (samples[end].first - samples[first].first >= 1'000'000'000) {
            ++first;
        }
        EXPECT_LE(samples[end].second - samples[first].second,
                  std::size_t{ControlChangePacer::kMessagesPerSecond});
    }
}

// The cue list from the network: each row's message, then the list's state it leaves.
TEST_F(NetworkControlTest, CuesAreFiredAndEditedAndBadArgumentsChangeNothing) {
    CCueEngine& cues = app->Cues();
    struct CueCase {
        const char* name;
        OscMessage message;
        std::size_t count;
        std::optional<std::size_t> live;
        int fadeTenths;         // of the first cue
        CuePath path;           // of the first cue
        unsigned long channels; // of the first cue
    };
    const auto straight = CuePath::Straight;
    const CueCase cases[] = {
        {"record", {"/orbis/cue/record", {}}, 1, std::nullopt, 0, straight, 0xFF},
        {"record at the end", {"/orbis/cue/record", {}}, 2, std::nullopt, 0, straight, 0xFF},
        {"fire by number", {"/orbis/cue/fire", {2}}, 2, 1, 0, straight, 0xFF},
        {"back", {"/orbis/cue/back", {}}, 2, 0, 0, straight, 0xFF},
        {"go", {"/orbis/cue/go", {}}, 2, 1, 0, straight, 0xFF},
        {"fire no cue", {"/orbis/cue/fire", {7.0f}}, 2, 1, 0, straight, 0xFF},
        {"a fade", {"/orbis/cue/1/fade", {2.5f}}, 2, 1, 25, straight, 0xFF},
        {"a fade too long", {"/orbis/cue/1/fade", {1e6f}}, 2, 1, 6000, straight, 0xFF},
        {"a negative fade", {"/orbis/cue/1/fade", {-3}}, 2, 1, 0, straight, 0xFF},
        {"a path", {"/orbis/cue/1/path", {std::string("around")}}, 2, 1, 0, CuePath::Around, 0xFF},
        {"channels", {"/orbis/cue/1/channels", {2, 3}}, 2, 1, 0, CuePath::Around, 0x06},
        {"bad channels", {"/orbis/cue/1/channels", {0}}, 2, 1, 0, CuePath::Around, 0x06},
        {"no such cue", {"/orbis/cue/9/fade", {1}}, 2, 1, 0, CuePath::Around, 0x06},
    };
    for (const CueCase& test : cases) {
        SCOPED_TRACE(test.name);
        Send(test.message);
        Send({"/orbis/cue/count", {}}); // answered once the message before it was taken
        ASSERT_TRUE(QTest::qWaitFor([&] { return answers.hasPendingDatagrams(); }));
        const QByteArray answer = answers.receiveDatagram().data();
        const auto count = DecodeOsc(answer.constData(), static_cast<std::size_t>(answer.size()));
        ASSERT_TRUE(count && count->Int(0));
        EXPECT_EQ(static_cast<std::size_t>(*count->Int(0)), test.count);
        ASSERT_EQ(cues.Cues().size(), test.count);
        EXPECT_EQ(cues.LiveIndex(), test.live);
        EXPECT_EQ(cues.Cues()[0].fadeTenths, test.fadeTenths);
        EXPECT_EQ(cues.Cues()[0].path, test.path);
        EXPECT_EQ(cues.Cues()[0].channels.to_ulong(), test.channels);
    }
    EXPECT_TRUE(cues.FileName().empty()) << "nothing received names or writes a file";
    Send({"/orbis/cue/live", {}});
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.hasPendingDatagrams(); }));
    const QByteArray live = answers.receiveDatagram().data();
    const auto decoded = DecodeOsc(live.constData(), static_cast<std::size_t>(live.size()));
    ASSERT_TRUE(decoded && decoded->Float(0));
    EXPECT_EQ(*decoded->Float(0), static_cast<float>(cues.Cues()[1].number));
}

TEST_F(NetworkControlTest, SectionsGoOutByteForByteAsTheDocumentSendsThem) {
    Doc().Set(KeyOf(&CControllerDoc::XPosition, 5), 3, ChangeOrigin::Gesture);
    for (const auto& [path, section] : {std::pair{"/orbis/send/patchbay", SendSection::Patchbay},
                                        {"/orbis/send/channels", SendSection::Channels},
                                        {"/orbis/send/globals", SendSection::Globals}}) {
        midi.ClearRecords();
        {
            OutputPortOwner output(midi);
            ASSERT_TRUE(output.OpenForSending(Doc().outMIDIPort));
            ASSERT_TRUE(output.SendControlChanges(SectionMessages(Doc(), section)));
        }
        const std::vector<MemoryMidiBackend::Message> direct = midi.SentTo(0);
        midi.ClearRecords();
        Send({path, {}});
        EXPECT_TRUE(QTest::qWaitFor([&] { return Sent().size() >= direct.size(); }));
        EXPECT_EQ(midi.SentTo(0), direct) << path;
    }
}

TEST_F(NetworkControlTest, APortTakenIsToldWithItsReason) {
    CNetworkControl::Stored stored;
    stored.enabled = true;
    stored.port = port; // held by the receiver the fixture started
    CNetworkControl other(Doc(), app->DocumentGuard(), app->Link());
    EXPECT_FALSE(other.Use(stored));
    EXPECT_TRUE(other.Failure().endsWith(QString::fromLocal8Bit(std::strerror(EADDRINUSE))))
        << other.Failure().toStdString();
    stored.enabled = false;
    EXPECT_TRUE(other.Use(stored) && other.Failure().isEmpty());
}

TEST_F(NetworkControlTest, GarbageChangesNothingAndTheProgramGoesOn) {
    const std::vector<int> before = Doc().Values();
    QRandomGenerator random(7);
    for (int i = 0; i < 300; ++i) {
        QByteArray noise(static_cast<int>(random.bounded(1, 200)), '\0');
        for (char& byte : noise) {
            byte = static_cast<char>(random.bounded(256));
        }
        if (i % 3 == 0) {
            noise.prepend("/adm/obj/1/xyz\0\0,fff", 20); // an address, then nonsense
        }
        sender.writeDatagram(noise, QHostAddress::LocalHost, port);
    }
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const OscMessage& bad :
         {OscMessage{"/adm/obj/1/xyz", {1, 2}}, OscMessage{"/adm/obj/1/x", {std::string("a")}},
          OscMessage{"/adm/obj/1/x", {nan}}, OscMessage{"/adm/obj/1/aed", {inf, 0.0f, 1.0f}},
          OscMessage{"/adm/obj/0/x", {1.0f}}, OscMessage{"/adm/obj/9/x", {1.0f}},
          OscMessage{"/adm/obj/99999/x", {1.0f}}}) {
        Send(bad);
    }
    Send({"/adm/obj/4/y", {1.0f}}); // still listening
    ASSERT_TRUE(QTest::qWaitFor([&] { return Doc().YPosition[3] == 127; }));
    std::vector<int> after = Doc().Values();
    after[ValueIndex(KeyOf(&CControllerDoc::YPosition, 3))] = 64;
    EXPECT_EQ(after, before);
    EXPECT_GE(window->NetworkControl().Receiver().Dropped(), 300u);
}

namespace {

// The UDP addresses (hex "ADDR:PORT" of /proc/net/udp) the process's sockets are bound to.
std::set<std::string> UdpAddresses(qint64 pid) {
    std::set<std::string> inodes;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = QFile::symLinkTarget(fds.filePath(fd));
        if (target.contains(QStringLiteral("socket:["))) {
            inodes.insert(target.section(QLatin1Char('['), 1).chopped(1).toStdString());
        }
    }
    std::set<std::string> bound;
    std::ifstream table("/proc/net/udp");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmit, uid, timeout, inode;
        fields >> slot >> local >> remote >> state >> queues >> timer >> retransmit >> uid >>
            timeout >> inode;
        if (inodes.count(inode)) {
            bound.insert(local);
        }
    }
    return bound;
}

// The real program, its settings and journals in `home`, outside any session.
void StartProgram(QProcess& program, const QTemporaryDir& home, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
    environment.remove(QStringLiteral("NSM_URL"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(ORBIS_PROGRAM), arguments);
}

} // namespace

TEST(NetworkControlProgram, ListensOnlyWhenAskedAndOnlyOnTheLoopback) {
    const quint16 port = FreePort();
    for (const bool asked : {false, true}) {
        QTemporaryDir home;
        QProcess program;
        StartProgram(program, home,
                     asked ? QStringList{QStringLiteral("--osc-port"), QString::number(port)}
                           : QStringList{});
        ASSERT_TRUE(program.waitForStarted(5000));
        // Up far enough to have made its window, which opens the port when asked to.
        const QString store = home.filePath(QStringLiteral("Norvell/ORBIS.conf"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(store); }, 10000));
        QTest::qWait(500);
        std::set<std::string> bound;
        const std::string loopback = QStringLiteral("0100007F:%1")
                                         .arg(port, 4, 16, QLatin1Char('0'))
                                         .toUpper()
                                         .toStdString();
        static_cast<void>(QTest::qWaitFor(
            [&] {
                bound = UdpAddresses(program.processId());
                return !asked || !bound.empty();
            },
            10000));
        EXPECT_EQ(bound, asked ? std::set<std::string>{loopback} : std::set<std::string>{});
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        EXPECT_TRUE(program.waitForFinished(10000));
    }
}

// A preset tried over the network with unsaved changes is refused, and a kill after it leaves
// them in the journal; without, the preset's values are the show's unsaved changes, which the
// journal follows and another try may replace. Neither writes the settings, so "Last
// Document" still names the show.
TEST(NetworkControlProgram, ARemoteTryNeverDropsUnsavedWorkNorWritesTheSettings) {
    QTemporaryDir home;
    const QString show = home.filePath(QStringLiteral("show.ocont2"));
    CControllerDoc doc;
    doc.DefaultPreset = 5;
    ASSERT_TRUE(WriteControllerFile(doc, QFile::encodeName(show).toStdString()));
    QDir journals(home.filePath(QStringLiteral("Norvell/ORBIS")));
    const auto settings = [&] {
        QFile store(home.filePath(QStringLiteral("Norvell/ORBIS.conf")));
        return store.open(QIODevice::ReadOnly) ? store.readAll() : QByteArray();
    };
    QUdpSocket sender, answers;
    ASSERT_TRUE(answers.bind(QHostAddress::LocalHost, 0));
    const quint16 port = FreePort();
    const auto send = [&](const OscMessage& m) {
        const std::vector<char> datagram = EncodeOsc(m);
        sender.writeDatagram(datagram.data(), static_cast<qint64>(datagram.size()),
                             QHostAddress::LocalHost, port);
    };
    const auto triedPreset = [&] { // the document's, once the program answers
        std::optional<int> tried;
        for (int i = 0; i < 50 && !tried; ++i) {
            send({"/orbis/preset/try", {}});
            if (QTest::qWaitFor([&] { return answers.hasPendingDatagrams(); }, 300)) {
                const QByteArray data = answers.receiveDatagram().data();
                if (const auto a = DecodeOsc(data.constData(), std::size_t(data.size()))) {
                    tried = a->Int(0);
                }
            }
        }
        return tried;
    };
    // The journal's level of input 1 and tried preset, or nothing without a journal.
    const auto journal = [&]() -> std::optional<std::pair<int, int>> {
        for (const QString& name : journals.entryList({QStringLiteral("*.ocont2")})) {
            CControllerDoc kept;
            if (ReadControllerFile(kept, journals.filePath(name).toStdString(), false)) {
                return std::pair{kept.InputLevel[0], kept.DefaultPreset};
            }
        }
        return std::nullopt;
    };
    for (const auto& [change, after] : {std::pair{33, std::pair{33, 5}}, {-1, {100, 2}}}) {
        SCOPED_TRACE(change);
        QProcess program;
        StartProgram(program, home,
                     {show, QStringLiteral("--osc-port"), QString::number(port),
                      QStringLiteral("--osc-reply-port"), QString::number(answers.localPort())});
        ASSERT_EQ(triedPreset(), 5);
        if (change >= 0) {
            send({"/orbis/ch/1/InputLevel", {change}});
            ASSERT_TRUE(QTest::qWaitFor([&] { return journal().has_value(); }, 10000));
        }
        const QByteArray before = settings();
        send({"/orbis/preset/try", {1}});
        send({"/orbis/preset/try", {2}}); // over the first try's changes only
        EXPECT_EQ(triedPreset(), after.second);
        EXPECT_TRUE(QTest::qWaitFor([&] { return journal() == after; }, 10000));
        program.kill();
        program.waitForFinished(10000);
        EXPECT_EQ(journal(), after) << "kept after a kill";
        EXPECT_EQ(settings(), before);
        EXPECT_TRUE(before.contains("show.ocont2"));
        for (const QString& name : journals.entryList(QDir::Files)) {
            journals.remove(name);
        }
    }
}
