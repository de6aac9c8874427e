// The command line, the file it names and the signal that ends the program.
#include "program/CControllerApp.h"
#include "program/CCueEngine.h"
#include "program/CNetworkControl.h"
#include "program/CTerminationHandler.h"
#include "program/CommandLine.h"
#include "support/FileTestSupport.h"
#include "support/MemoryMidiBackend.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <poll.h>
#include <sys/wait.h>

namespace {

struct LineCase {
    std::vector<std::string> arguments;
    bool help, version;
    const char* file; // nullptr for none
    bool error;
};

const LineCase kLines[] = {
    {{}, false, false, nullptr, false},
    {{"--help"}, true, false, nullptr, false},
    {{"-v"}, false, true, nullptr, false},
    {{"--osc-names"}, false, false, nullptr, false},
    {{"show.ocont2"}, false, false, "show.ocont2", false},
    {{"--", "-odd name.ocont2"}, false, false, "-odd name.ocont2", false},
    {{"a.ocont2", "b.ocont2"}, false, false, "a.ocont2", true},
    {{"--frobnicate"}, false, false, nullptr, true},
    {{"--screenshot"}, false, false, nullptr, true},
    {{"--osc-port", "70000"}, false, false, nullptr, true},
    {{"--cues", "a.oshow", "b.ocont2"}, false, false, "b.ocont2", false},
    {{"--cues"}, false, false, nullptr, true},
    {{"--remote-port", "9080", "--remote-address", "0.0.0.0"}, false, false, nullptr, false},
    {{"--remote-port", "0"}, false, false, nullptr, true},
    {{"--remote-port"}, false, false, nullptr, true},
    {{"--oscquery-port", "9001", "--osc-port", "9000"}, false, false, nullptr, false},
    {{"--oscquery-port", "65536"}, false, false, nullptr, true},
    {{"--remote-code", "ab12"}, false, false, nullptr, false},
    {{"--remote-code", "123"}, false, false, nullptr, true},
    {{"--remote-code", "12 34"}, false, false, nullptr, true},
    {{"--osc-feedback", "127.0.0.1:9001", "--osc-feedback", "[::1]:9"},
     false,
     false,
     nullptr,
     false},
    {{"--osc-feedback", "localhost:9001"}, false, false, nullptr, true},
    {{"--osc-feedback", "::1:9001"}, false, false, nullptr, true},
    {{"--osc-feedback", "127.0.0.1"}, false, false, nullptr, true},
    {{"--osc-feedback", "127.0.0.1:0"}, false, false, nullptr, true},
    {{"--osc-feedback"}, false, false, nullptr, true},
};

} // namespace

TEST(CommandLine, ParsesOptionsAndOneFile) {
    for (const LineCase& test : kLines) {
        std::string joined;
        for (const std::string& argument : test.arguments) {
            joined += argument + ' ';
        }
        SCOPED_TRACE(joined);
        const CommandLine line = ParseCommandLine(test.arguments);
        EXPECT_EQ(line.help, test.help);
        EXPECT_EQ(line.version, test.version);
        EXPECT_EQ(line.file.has_value(), test.file != nullptr);
        if (test.file && line.file) {
            EXPECT_EQ(*line.file, test.file);
        }
        EXPECT_EQ(line.error.has_value(), test.error);
    }
    EXPECT_TRUE(ParseCommandLine({"--osc-names"}).oscNames);
}

TEST(CommandLine, UsageNamesTheProgramNotItsPath) {
    const std::pair<const char*, const char*> names[] = {
        {"/usr/local/bin/Orbis", "Orbis"},
        {"./build-release/bin/Orbis", "Orbis"},
        {"Orbis", "Orbis"},
        {"", "Orbis"},
    };
    for (const auto& [argument, name] : names) {
        EXPECT_EQ(ProgramName(argument), name) << argument;
    }
    EXPECT_EQ(UsageText(ProgramName("/opt/x/Orbis")).rfind("Usage: Orbis [OPTION]... [FILE]\n", 0),
              0u);
}

TEST(TerminationHandler, TurnsSigtermIntoASignalOnTheEventLoop) {
    CTerminationHandler handler;
    QSignalSpy spy(&handler, &CTerminationHandler::terminationRequested);
    ASSERT_EQ(std::raise(SIGTERM), 0); // the process survives: the handler only writes a byte
    ASSERT_TRUE(spy.wait(2000));
    EXPECT_EQ(spy.takeFirst().at(0).toInt(), SIGTERM);
}

// The user-interface thread blocked in a call: SIGTERM interrupts the call, and a thread that
// still never returns to its event loop is ended by the watchdog, as by the signal itself.
TEST(TerminationHandler, InterruptsABlockedCallAndEndsAStuckProgram) {
    int blocked[2];
    int report[2];
    ASSERT_EQ(::pipe(blocked), 0);
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CTerminationHandler handler(nullptr, 1);
        char byte = 'r';
        (void)!::write(report[1], &byte, 1);
        byte = ::read(blocked[0], &byte, 1) < 0 && errno == EINTR ? 'i' : 'n';
        (void)!::write(report[1], &byte, 1);
        for (;;) {
            ::pause(); // stuck: never back to an event loop
        }
    }
    ::close(report[1]);
    const auto nextReport = [&report](int milliseconds) {
        pollfd ready{report[0], POLLIN, 0};
        char byte = 0;
        return ::poll(&ready, 1, milliseconds) == 1 && ::read(report[0], &byte, 1) == 1 ? byte
                                                                                        : '-';
    };
    ASSERT_EQ(nextReport(5000), 'r');
    QTest::qSleep(200); // into the read
    ::kill(child, SIGTERM);
    EXPECT_EQ(nextReport(3000), 'i') << "the blocked call was not interrupted";
    int status = 0;
    for (int waited = 0; ::waitpid(child, &status, WNOHANG) == 0; waited += 50) {
        if (waited > 5000) {
            ADD_FAILURE() << "still running 5 s after SIGTERM";
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            break;
        }
        QTest::qSleep(50);
    }
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    for (int fd : {blocked[0], blocked[1], report[0]}) {
        ::close(fd);
    }
}

// The file named on the command line is refused at once when it is not a regular file:
// said in the box, and in one terminal line naming the whole path.
TEST(StartFile, ARefusedFileIsToldInTheBoxAndOnTheTerminal) {
    TemporaryFolder folder;
    MemoryMidiBackend midi;
    CControllerApp app(midi);
    const std::vector<NonRegularFile> special = MakeNonRegularFiles(folder);
    for (const NonRegularFile& file : special) {
        SCOPED_TRACE(file.what);
        QString box;
        QString line;
        RunWithoutWaitingOn(special.front().path, [&] {
            box = app.UseStartFile(QString::fromStdString(file.path.string()), &line);
        });
        EXPECT_EQ(line.toStdString(), "cannot open " + file.path.string() + ": " + file.reason);
        EXPECT_TRUE(box.endsWith(QString::fromStdString(": " + file.reason + ".")))
            << box.toStdString();
        EXPECT_EQ(app.m_strLastDocument, "New Document");
    }
}

// A show file named at start: its cues are taken and each problem is one terminal line
// naming the whole path; one that cannot be read leaves the list empty and the program on.
TEST(StartFile, ACueFileIsOpenedAndItsProblemsToldOneLineEach) {
    TemporaryFolder folder;
    MemoryMidiBackend midi;
    CControllerApp app(midi);
    const std::string show = (folder / "show.oshow").string();
    std::ofstream(show) << "<plist><dict><key>Cues</key><array><dict><key>Number</key>"
                           "<real>2</real></dict></array></dict></plist>";
    const QStringList lines = app.UseCueFile(QString::fromStdString(show));
    ASSERT_FALSE(lines.isEmpty());
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith(QString::fromStdString(show + ": "))) << line.toStdString();
        EXPECT_FALSE(line.contains(QLatin1Char('\n')));
    }
    ASSERT_EQ(app.Cues().Cues().size(), 1u);
    EXPECT_EQ(app.Cues().Cues()[0].number, 2);
    const std::string missing = (folder / "missing.oshow").string();
    const QStringList refused = app.UseCueFile(QString::fromStdString(missing));
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused[0].startsWith(QString::fromStdString("cannot open " + missing + ": ")));
    EXPECT_EQ(app.Cues().Cues().size(), 1u) << "a file that cannot be read changes nothing";
}

// A first object out of range in the store reads as the first; an address for one run keeps
// the remembered allowed hosts.
TEST(NetworkCommandLine, TakesTheStoreWithinRangeAndKeepsTheAllowedHosts) {
    const auto store = [](const char* key, const char* value) {
        QSettings(CControllerApp::SettingsFileName(), QSettings::NativeFormat)
            .setValue(QString::fromLatin1(key), QString::fromLatin1(value));
    };
    for (const auto& [stored, first] : {std::pair{"2147483647", 1}, {"0", 1}, {"99999", 99999}}) {
        store("OSC First Object", stored);
        EXPECT_EQ(CNetworkControl::Load().firstObject, first) << stored;
    }
    store("OSC Allowed Hosts", "192.168.1.7");
    QSettings(CControllerApp::SettingsFileName(), QSettings::NativeFormat)
        .setValue(QStringLiteral("OSC Feedback Targets"),
                  QStringList{QStringLiteral("10.0.0.5:9000"), QStringLiteral("mixer:9000")});
    MemoryMidiBackend midi;
    CControllerApp app(midi);
    app.UseNetworkCommandLine(ParseCommandLine({"--osc-port", "9", "--osc-address", "0.0.0.0"}));
    EXPECT_EQ(app.NetworkSettings().allowedHosts.toStdString(), "192.168.1.7");
    // The remote page for one run: on with its port, on the loopback address unless told.
    store("Remote Code", "4321");
    EXPECT_FALSE(app.RemoteSettings().enabled);
    app.UseNetworkCommandLine(ParseCommandLine({"--remote-port", "9081"}));
    EXPECT_TRUE(app.RemoteSettings().enabled);
    EXPECT_EQ(app.RemoteSettings().port, 9081);
    EXPECT_EQ(app.RemoteSettings().address.toStdString(), "127.0.0.1");
    EXPECT_EQ(app.RemoteSettings().code.toStdString(), "4321");
    app.UseNetworkCommandLine(ParseCommandLine(
        {"--remote-port", "9082", "--remote-address", "::", "--remote-code", "ab12"}));
    EXPECT_EQ(app.RemoteSettings().address.toStdString(), "::");
    EXPECT_EQ(app.RemoteSettings().code.toStdString(), "ab12");
    // Feedback targets for one run go with the remembered ones, which leave out what is not
    // an IP address and a port.
    app.UseNetworkCommandLine(ParseCommandLine({"--osc-feedback", "127.0.0.1:9001"}));
    EXPECT_EQ(app.NetworkSettings().feedbackTargets.join(QLatin1Char(' ')).toStdString(),
              "10.0.0.5:9000 127.0.0.1:9001");
    QFile::remove(CControllerApp::SettingsFileName());
}
