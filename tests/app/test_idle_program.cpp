// The real program, started with nothing to do on an X server, sleeps: its threads together use
// almost no CPU and the user-interface thread next to none. A loop that wakes itself (a window
// property set on every pass makes the X server answer, which wakes the loop again) costs a
// core on every desktop yet never shows on the offscreen platform of the other tests. Once
// with no MIDI device at all, once as a client of the private JACK server, whose process
// thread legitimately wakes every period, and once serving the remote page to paired phones,
// which costs nothing but a keep-alive ping every half minute.
#include "model/CControllerDoc.h"
#include "model/CueList.h"
#include "model/ShowFile.h"
#include "remote/RemotePage.h"
#include "support/JackMidiPeer.h"
#include "support/PrivateJackServer.h"
#include "support/PrivateXServer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// utime + stime of a /proc stat file, in clock ticks; -1 when it cannot be read (the thread
// has ended).
long long CpuTicks(const std::filesystem::path& stat, std::string* name = nullptr) {
    std::ifstream file(stat);
    std::string line;
    if (!std::getline(file, line)) {
        return -1;
    }
    // The name is in parentheses and may hold spaces or ')' itself: fields follow the last ')'.
    const std::size_t open = line.find('(');
    const std::size_t close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return -1;
    }
    if (name) {
        *name = line.substr(open + 1, close - open - 1);
    }
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    long long utime = 0;
    long long stime = 0;
    // From "state" (field 3) on; utime and stime are fields 14 and 15.
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number == 14) {
            utime = std::stoll(field);
        } else if (number == 15) {
            stime = std::stoll(field);
        }
    }
    return utime + stime;
}

struct CpuSample {
    long long process = 0;                 // every thread, including those that have ended
    std::map<long, long long> threadTicks; // by thread id
    std::map<long, std::string> threadNames;
};

CpuSample SampleCpu(pid_t pid) {
    const std::filesystem::path root = "/proc/" + std::to_string(pid);
    CpuSample sample;
    sample.process = CpuTicks(root / "stat");
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(root / "task", error)) {
        std::string name;
        const long long ticks = CpuTicks(task.path() / "stat", &name);
        if (ticks >= 0) {
            const long tid = std::stol(task.path().filename().string());
            sample.threadTicks[tid] = ticks;
            sample.threadNames[tid] = name;
        }
    }
    return sample;
}

struct CpuUse {
    long long process = 0;
    long long userInterface = 0; // the main thread, whose id is the process id
    std::string perThread;       // "name (tid): ticks", busiest first
};

CpuUse Difference(const CpuSample& before, const CpuSample& after, pid_t pid) {
    CpuUse use;
    use.process = after.process - before.process;
    std::vector<std::pair<long long, long>> busiest;
    for (const auto& [tid, ticks] : after.threadTicks) {
        const auto earlier = before.threadTicks.find(tid);
        busiest.emplace_back(ticks - (earlier == before.threadTicks.end() ? 0 : earlier->second),
                             tid);
    }
    std::sort(busiest.rbegin(), busiest.rend());
    for (const auto& [ticks, tid] : busiest) {
        if (tid == pid) {
            use.userInterface = ticks;
        }
        use.perThread += "  " + after.threadNames.at(tid) + " (" + std::to_string(tid) +
                         "): " + std::to_string(ticks) + "\n";
    }
    return use;
}

bool JoinsServer(const char* client, int milliseconds) {
    const BareJackClient probe("orbis-idle-probe", BareJackClient::Role::Sink);
    QElapsedTimer clock;
    clock.start();
    while (probe.IsOpen() && !probe.SeesClient(client) && clock.elapsed() < milliseconds) {
        QThread::msleep(20);
    }
    return probe.IsOpen() && probe.SeesClient(client);
}

// Sleeps on this process's event loop, so its pages answer the program's pings as a phone's
// browser does.
void Wait(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// A port on the loopback address that was free a moment ago.
quint16 FreePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

// A page paired with the program's server, which may still be starting: tried again until
// the server answers.
std::unique_ptr<RemotePage> PairedPage(quint16 port, const QString& code) {
    QElapsedTimer clock;
    clock.start();
    do {
        auto page = std::make_unique<RemotePage>(port);
        if (ProcessEventsUntil(
                [&page] {
                    return page->Connected() ||
                           page->socket.state() == QAbstractSocket::UnconnectedState;
                },
                2000) &&
            page->Connected()) {
            return page->Pair(code) ? std::move(page) : nullptr;
        }
        QThread::msleep(100);
    } while (clock.elapsed() < 10000);
    return nullptr;
}

// A case and the share of one core, in thousandths, the whole process may use idle. On JACK
// the client's process thread wakes every period of the server and pays for each wake.
struct IdleCase {
    const char* name;
    bool onJack;
    int processPerMille;
    bool withCues = false; // a show of three cues opened at start
    int remotePages = 0;   // pages paired with the remote page's server before measuring
};

void PrintTo(const IdleCase& idle, std::ostream* out) {
    *out << idle.name;
}

// The user-interface thread's share: it has nothing to do until an event comes.
constexpr int kUserInterfacePerMille = 5;

long long TicksIn(int milliseconds, int perMille) {
    return ::sysconf(_SC_CLK_TCK) * milliseconds * perMille / 1000000LL;
}

class IdleProgramTest : public ::testing::TestWithParam<IdleCase> {};

} // namespace

TEST_P(IdleProgramTest, AnIdleWindowUsesNoCpu) {
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        GTEST_SKIP() << "xdotool is not installed";
    }
    const bool onJack = GetParam().onJack;
    const int processPerMille = GetParam().processPerMille;
    if (onJack && !UseTestJackServer()) {
        GTEST_SKIP() << "ORBIS_TEST_JACK_SERVER is not set: no private JACK server to test on";
    }
    PrivateXServer x;
    ASSERT_FALSE(x.Display().isEmpty()) << "could not start Xvfb";

    QTemporaryDir home;
    QProcessEnvironment environment = x.ProgramEnvironment(home.path());
    if (onJack) {
        environment.insert(QStringLiteral("JACK_DEFAULT_SERVER"),
                           qEnvironmentVariable("ORBIS_TEST_JACK_SERVER"));
    }
    QStringList arguments;
    if (GetParam().withCues) {
        CControllerDoc doc;
        CueList cues;
        for (int c = 0; c < 3; ++c) {
            doc.XPosition[c] = 20 * c;
            cues.Record(doc, static_cast<std::ptrdiff_t>(cues.Size()) - 1, 0xFF, 0x7F, {}, 20);
        }
        const QString show = home.filePath(QStringLiteral("show.oshow"));
        ASSERT_TRUE(WriteShowFile(Show{cues.Cues(), {}, {}}, show.toStdString()));
        arguments << QStringLiteral("--cues") << show;
    }
    const QString code = QStringLiteral("482913");
    const quint16 remotePort = GetParam().remotePages > 0 ? FreePort() : 0;
    if (GetParam().remotePages > 0) {
        ASSERT_NE(remotePort, 0);
        arguments << QStringLiteral("--remote-port") << QString::number(remotePort)
                  << QStringLiteral("--remote-code") << code;
    }
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(ORBIS_PROGRAM), arguments);
    ASSERT_TRUE(program.waitForStarted(5000));
    const auto pid = static_cast<pid_t>(program.processId());
    struct Stop {
        QProcess& program;
        pid_t pid;
        ~Stop() {
            if (program.state() != QProcess::NotRunning) {
                ::kill(pid, SIGTERM);
                program.waitForFinished(10000);
            }
        }
    } stop{program, pid};

    ASSERT_TRUE(x.WindowNamed(QStringLiteral("ORBIS CONTROLLER")))
        << "the main window did not appear";
    if (onJack) {
        ASSERT_TRUE(JoinsServer("Orbis", 10000)) << "the program did not join the server";
    }
    // Kept open through the measurement, quiet, as phones left on a table.
    std::vector<std::unique_ptr<RemotePage>> pages;
    for (int p = 0; p < GetParam().remotePages; ++p) {
        pages.push_back(PairedPage(remotePort, code));
        ASSERT_TRUE(pages.back()) << "page " << p + 1 << " did not pair";
    }

    // Start-up work (fonts, the first paint, the device lists) is done once the process has
    // kept to its budget for half a second; one that never does is measured all the same.
    Wait(1000);
    QElapsedTimer settling;
    settling.start();
    for (CpuSample before = SampleCpu(pid); settling.elapsed() < 4000;) {
        Wait(500);
        const CpuSample after = SampleCpu(pid);
        if (after.process - before.process <= TicksIn(500, processPerMille)) {
            break;
        }
        before = after;
    }

    const int windowMs = 4000;
    const CpuSample before = SampleCpu(pid);
    Wait(windowMs);
    const CpuSample after = SampleCpu(pid);
    ASSERT_FALSE(program.waitForFinished(0)) << "the program ended while idle";
    const CpuUse use = Difference(before, after, pid);
    const std::string ticks = "ticks of " + std::to_string(::sysconf(_SC_CLK_TCK)) + " Hz in " +
                              std::to_string(windowMs) + " ms, by thread:\n" + use.perThread;
    EXPECT_LE(use.process, TicksIn(windowMs, processPerMille)) << ticks;
    EXPECT_LE(use.userInterface, TicksIn(windowMs, kUserInterfacePerMille))
        << "the user-interface thread wakes while idle; " << ticks;
    for (const auto& page : pages) {
        EXPECT_TRUE(page->Connected()) << "the program closed an idle page";
    }
}

INSTANTIATE_TEST_SUITE_P(Program, IdleProgramTest,
                         ::testing::Values(IdleCase{"WithoutMidiDevices", false, 25},
                                           IdleCase{"OnJack", true, 60},
                                           IdleCase{"WithACueList", false, 25, true},
                                           IdleCase{"WithRemotePages", false, 25, false, 3}),
                         [](const auto& test) { return std::string(test.param.name); });
