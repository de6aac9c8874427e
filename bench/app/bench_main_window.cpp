// How fast the main window answers: from a control's notification to the event handed to
// the MIDI backend, from the program's start to the first painted main window, and from an
// OSC position received to the wire, with the CPU such a stream costs.
#include "controls/CSkinSlider.h"
#include "model/ParameterTable.h"
#include "osc/OscControl.h"
#include "osc/OscMessage.h"
#include "program/CControllerApp.h"
#include "program/CCueEngine.h"
#include "program/CNetworkControl.h"
#include "program/CProcessorLink.h"
#include "support/MemoryMidiBackend.h"
#include "ui/CControllerDlg.h"
#include "ui/CDocumentCommands.h"
#include "ui/ControlIds.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted = true;
        }
        return QObject::eventFilter(watched, event);
    }
    bool painted = false;
};

void BM_NotificationToBackend(benchmark::State& state) {
    MemoryMidiBackend midi;
    midi.AddOutputDevice("Processor");
    {
        CControllerApp app(midi);
        CControllerDlg window(app);
        auto* outputs = window.findChild<QComboBox*>(QStringLiteral("OutputList"));
        outputs->setCurrentIndex(1);
        emit outputs->activated(1);
        auto* slider = static_cast<CSkinSlider*>(window.Control(ControlId::InputLevel));
        std::vector<double> micros;
        int step = 0;
        double events = 0;
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            slider->triggerAction(++step % 2 ? QAbstractSlider::SliderSingleStepAdd
                                             : QAbstractSlider::SliderSingleStepSub);
            micros.push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                    .count());
            events += static_cast<double>(midi.PutEvents().size());
            midi.ClearRecords();
        }
        std::sort(micros.begin(), micros.end());
        state.counters["median_us"] = micros[micros.size() / 2];
        state.counters["p99_us"] = micros[micros.size() * 99 / 100];
        state.counters["events_per_step"] = events / static_cast<double>(micros.size());
    }
}
BENCHMARK(BM_NotificationToBackend)->Iterations(5000);

void BM_StartToFirstPaint(benchmark::State& state) {
    MemoryMidiBackend midi;
    std::vector<double> millis;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        CControllerApp app(midi);
        CControllerDlg window(app);
        FirstPaint watcher;
        window.installEventFilter(&watcher);
        window.show();
        while (!watcher.painted) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        millis.push_back(static_cast<double>(clock.nsecsElapsed()) / 1.0e6);
    }
    std::sort(millis.begin(), millis.end());
    state.counters["median_ms"] = millis[millis.size() / 2];
    state.counters["max_ms"] = millis.back();
}
BENCHMARK(BM_StartToFirstPaint)->Iterations(20)->Unit(benchmark::kMillisecond);

// What a change costs the user-interface thread with the recovery journal running: the
// change itself with its notice, and, every kJournalDelayMs, the journal's text handed to
// its worker (the worker writes and syncs on its own thread). A drag of `changes` values
// at full speed, then the wait (not timed) until the journal holds its end.
void BM_ChangeWithJournal(benchmark::State& state) {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    MemoryMidiBackend midi;
    CControllerApp app(midi);
    CControllerDlg window(app);
    CControllerDoc& doc = app.Doc();
    app.DocumentGuard().BeginRun();
    const QString journal = app.DocumentGuard().RecoveryFileName();
    const int changes = static_cast<int>(state.range(0));
    int value = 0;
    for (auto _ : state) {
        QElapsedTimer drag;
        drag.start();
        for (int i = 0; i < changes; ++i) {
            doc.Set(KeyOf(&CControllerDoc::XPosition, 0), ++value % 128, ChangeOrigin::Gesture);
            QCoreApplication::processEvents();
        }
        state.PauseTiming();
        // The journal's delay runs out after the drag: the last value is on disk.
        const QDateTime before = QFileInfo(journal).lastModified();
        while (QFileInfo(journal).lastModified() == before &&
               drag.elapsed() < 5 * CControllerApp::kJournalDelayMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        state.ResumeTiming();
    }
    state.counters["us_per_change"] =
        benchmark::Counter(static_cast<double>(changes) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    app.DocumentGuard().RemoveRecovery();
}
BENCHMARK(BM_ChangeWithJournal)->Arg(100)->Iterations(20)->Unit(benchmark::kMicrosecond);

} // namespace

namespace {

// Stamps each position Control Change as the port layer takes it.
class StampingBackend final : public NullMidiBackend {
public:
    using Clock = std::chrono::steady_clock;
    int OutputCount() override { return 1; }
    std::optional<std::string> OutputName(int) override { return "Processor"; }
    Handle OpenOutput(int device, std::uint32_t) override { return device == 0 ? 77 : 0; }
    int PutOutput(Handle, const PortEvent& event) override {
        if (onAny) {
            onAny(Clock::now());
        }
        if (event.data1 == 20 && onX) {
            onX(event.status & 0x0F, event.data2, Clock::now());
        }
        return 0;
    }
    std::function<void(int, int, Clock::time_point)> onX;
    std::function<void(Clock::time_point)> onAny;
};

double CpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Turns on OSC control on a port of the loopback that was free a moment ago; that port.
std::optional<quint16> ListenOnAFreePort(CControllerDlg& window) {
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    CNetworkControl::Stored stored;
    stored.enabled = true;
    stored.port = probe.localPort();
    probe.close();
    if (!window.NetworkControl().Use(stored)) {
        return std::nullopt;
    }
    return static_cast<quint16>(stored.port);
}

// Sends to the first device of the output list, as a person choosing it would.
void ChooseFirstOutput(CControllerDlg& window) {
    auto* outputs = window.findChild<QComboBox*>(QStringLiteral("OutputList"));
    outputs->setCurrentIndex(1);
    emit outputs->activated(1);
}

} // namespace

// Eight ADM-OSC objects at 100 positions a second each for two seconds, from a socket in the
// same process: the time from the datagram sent to the X Control Change handed to the port,
// and the process's CPU over the stream (the sender's share included).
void BM_NetworkPositionToWire(benchmark::State& state) {
    using Clock = StampingBackend::Clock;
    StampingBackend midi;
    CControllerApp app(midi);
    CControllerDlg window(app);
    ChooseFirstOutput(window);
    const std::optional<quint16> port = ListenOnAFreePort(window);
    if (!port) {
        state.SkipWithError("cannot listen");
        return;
    }
    std::map<std::pair<int, int>, Clock::time_point> sentAt;
    std::vector<double> micros;
    midi.onX = [&](int channel, int value, Clock::time_point at) {
        if (const auto it = sentAt.find({channel, value}); it != sentAt.end()) {
            micros.push_back(std::chrono::duration<double, std::micro>(at - it->second).count());
            sentAt.erase(it);
        }
    };
    QUdpSocket sender;
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        int tick = 0;
        QTimer clock;
        clock.setTimerType(Qt::PreciseTimer);
        QEventLoop loop;
        QObject::connect(&clock, &QTimer::timeout, [&] {
            if (++tick > 200) {
                loop.quit();
                return;
            }
            for (int object = 0; object < 8; ++object) {
                const int value = tick % 2 ? 30 + tick % 60 : 100 - tick % 20;
                const std::vector<char> datagram =
                    EncodeOsc({"/adm/obj/" + std::to_string(object + 1) + "/x",
                               {static_cast<float>((value - 63.5) / 63.5)}});
                sentAt[{object, value}] = Clock::now();
                sender.writeDatagram(datagram.data(), static_cast<qint64>(datagram.size()),
                                     QHostAddress::LocalHost, *port);
            }
        });
        const double cpuBefore = CpuSeconds();
        const auto start = Clock::now();
        clock.start(10);
        loop.exec();
        cpu += CpuSeconds() - cpuBefore;
        wall += std::chrono::duration<double>(Clock::now() - start).count();
    }
    if (!micros.empty()) {
        std::sort(micros.begin(), micros.end());
        state.counters["median_us"] = micros[micros.size() / 2];
        state.counters["worst_us"] = micros.back();
        state.counters["positions"] = static_cast<double>(micros.size());
    }
    state.counters["cpu_percent"] = wall > 0 ? 100.0 * cpu / wall : 0.0;
}
BENCHMARK(BM_NetworkPositionToWire)->Iterations(2)->Unit(benchmark::kMillisecond);

namespace {

// Counts the paints of the widgets it watches.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
    int paints = 0;
};

// Sends 8 objects' ADM-OSC positions (x, y and z: more than the wire carries), 100 a
// second each, from a thread of its own, so that its CPU can be told apart from the
// program's.
class PositionSender {
public:
    PositionSender(quint16 port, int ticks) {
        m_thread = std::thread([this, port, ticks] { Run(port, ticks); });
    }
    ~PositionSender() { Finish(); }
    // Waits for the last tick; the sender thread's CPU seconds.
    double Finish() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_cpu;
    }
    bool Done() const { return m_done; }
    static int Value(int tick, int object, int axis) {
        return (tick * (7 + axis) + object * 13) % 128;
    }

private:
    void Run(quint16 port, int ticks) {
        const int fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const auto start = std::chrono::steady_clock::now();
        for (int tick = 1; tick <= ticks; ++tick) {
            std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * tick));
            for (int object = 0; object < 8; ++object) {
                std::vector<OscArgument> xyz;
                for (int axis = 0; axis < 3; ++axis) {
                    xyz.emplace_back(
                        static_cast<float>(CoordinateFromPosition(Value(tick, object, axis))));
                }
                const std::vector<char> datagram =
                    EncodeOsc({"/adm/obj/" + std::to_string(object + 1) + "/xyz", xyz});
                sendto(fd, datagram.data(), datagram.size(), 0,
                       reinterpret_cast<const sockaddr*>(&to), sizeof to);
            }
        }
        close(fd);
        m_cpu = CpuSeconds(RUSAGE_THREAD);
        m_done = true;
    }
    std::thread m_thread;
    double m_cpu = 0;
    std::atomic<bool> m_done = false;
};

} // namespace

// What a live stream costs with the main window shown: eight ADM-OSC objects at 100
// positions a second each for `seconds`, through the real receiver, document and processor
// link, with the shown channel's object among them. The process's CPU per second of stream
// (the sender thread's own taken out) and the window's paints per second; the run fails
// when an object's last position is not the document's.
void BM_LivePositionsWithWindowShown(benchmark::State& state) {
    StampingBackend midi;
    CControllerApp app(midi);
    CControllerDlg window(app);
    ChooseFirstOutput(window);
    FirstPaint shown;
    window.installEventFilter(&shown);
    window.show();
    while (!shown.painted) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    PaintCounter painted;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        widget->installEventFilter(&painted);
    }
    const std::optional<quint16> port = ListenOnAFreePort(window);
    if (!port) {
        state.SkipWithError("cannot listen");
        return;
    }
    const int ticks = static_cast<int>(state.range(0)) * 100;
    const CControllerDoc& doc = app.Doc();
    double cpu = 0;
    double wall = 0;
    int paints = 0;
    for (auto _ : state) {
        painted.paints = 0;
        const double cpuBefore = CpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        PositionSender sender(*port, ticks);
        const auto arrived = [&] {
            for (int object = 0; object < 8; ++object) {
                if (doc.XPosition[object] != PositionSender::Value(ticks, object, 0) ||
                    doc.YPosition[object] != PositionSender::Value(ticks, object, 1) ||
                    doc.ZPosition[object] != PositionSender::Value(ticks, object, 2)) {
                    return false;
                }
            }
            return true;
        };
        // The event loop sleeps between wakes as the program's does; a check now and then
        // ends the run once every last position is in, and a frame after it is counted too.
        const auto end = start + std::chrono::milliseconds(10 * ticks + 2000);
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if ((sender.Done() && arrived()) || std::chrono::steady_clock::now() > end) {
                QTimer::singleShot(50, &loop, &QEventLoop::quit);
                check.stop();
            }
        });
        check.start(20);
        loop.exec();
        const double senderCpu = sender.Finish();
        cpu += CpuSeconds() - cpuBefore - senderCpu;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        paints += painted.paints;
        if (!arrived()) {
            state.SkipWithError("an object's last position did not arrive");
            return;
        }
    }
    state.counters["cpu_percent"] = wall > 0 ? 100.0 * cpu / wall : 0.0;
    state.counters["paints_per_s"] = wall > 0 ? paints / wall : 0.0;
}
BENCHMARK(BM_LivePositionsWithWindowShown)->Arg(5)->Iterations(2)->Unit(benchmark::kMillisecond);

// A cue fading all eight sources' positions over 2 s, through the program's cue engine and
// link with the main window shown: how often each source's X moves on the wire (a second's
// worth at the fade's slowest source), the most messages the wire carries in any second,
// whether every last value is the cue's, and the process's CPU per second of fade. The cable
// carries 1,040 messages a second.
void BM_CueFadeOnTheWire(benchmark::State& state) {
    using Clock = StampingBackend::Clock;
    StampingBackend midi;
    CControllerApp app(midi);
    CControllerDlg window(app);
    ChooseFirstOutput(window);
    window.show();
    CControllerDoc& doc = app.Doc();
    CCueEngine& cues = app.Cues();
    std::bitset<Cue::kGroups> positions;
    positions.set(static_cast<std::size_t>(ParameterGroup::SourcePosition));
    const auto place = [&doc](int x, int y, int z) {
        for (int c = 0; c < CControllerDoc::kChannels; ++c) {
            doc.XPosition[c] = x + c;
            doc.YPosition[c] = y;
            doc.ZPosition[c] = z;
        }
    };
    place(10, 10, 10);
    cues.Record(CueList::kAtFront, 0xFF, positions, 0);
    place(110, 120, 100);
    cues.Record(0, 0xFF, positions, 20);
    std::vector<Clock::time_point> stamps;
    std::array<int, CControllerDoc::kChannels> lastX{};
    std::array<int, CControllerDoc::kChannels> movesX{};
    midi.onAny = [&](Clock::time_point at) { stamps.push_back(at); };
    midi.onX = [&](int channel, int value, Clock::time_point) {
        if (channel >= 0 && channel < CControllerDoc::kChannels) {
            lastX[static_cast<std::size_t>(channel)] = value;
            ++movesX[static_cast<std::size_t>(channel)];
        }
    };
    double cpu = 0;
    double wall = 0;
    bool exact = true;
    for (auto _ : state) {
        cues.Fire(0);
        while (window.ProcessorLink().Waiting()) {
            QApplication::processEvents();
        }
        stamps.clear();
        movesX.fill(0);
        const double cpuBefore = CpuSeconds();
        const auto start = Clock::now();
        cues.Fire(1);
        while (cues.Running() || window.ProcessorLink().Waiting()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        cpu += CpuSeconds() - cpuBefore;
        wall += std::chrono::duration<double>(Clock::now() - start).count();
        for (int c = 0; c < CControllerDoc::kChannels; ++c) {
            exact = exact && doc.XPosition[c] == 110 + c &&
                    lastX[static_cast<std::size_t>(c)] == 110 + c;
        }
    }
    if (!exact) {
        state.SkipWithError("a source's last X on the wire is not the cue's");
        return;
    }
    std::size_t mostInASecond = 0;
    for (std::size_t i = 0, j = 0; i < stamps.size(); ++i) {
        while (stamps[i] - stamps[j] >= std::chrono::seconds(1)) {
            ++j;
        }
        mostInASecond = std::max(mostInASecond, i - j + 1);
    }
    state.counters["cpu_percent"] = wall > 0 ? 100.0 * cpu / wall : 0.0;
    state.counters["x_moves_per_s_min"] =
        static_cast<double>(*std::min_element(movesX.begin(), movesX.end())) / 2.0;
    state.counters["wire_most_in_1s"] = static_cast<double>(mostInASecond);
}
BENCHMARK(BM_CueFadeOnTheWire)->Iterations(2)->Unit(benchmark::kMillisecond);
