// How fast the main window answers: from a control's notification to the event handed to
// the MIDI backend, from the program's start to the first painted main window, and from an
// OSC position received to the wire, with the CPU such a stream costs.
#include "app/CControllerApp.h"
#include "app/CControllerDlg.h"
#include "app/CDocumentCommands.h"
#include "app/CNetworkControl.h"
#include "app/ControlIds.h"
#include "controls/CSkinSlider.h"
#include "model/ParameterTable.h"
#include "osc/OscMessage.h"
#include "support/MemoryMidiBackend.h"

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
#include <chrono>
#include <map>
#include <vector>

#include <sys/resource.h>

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
    CControllerDoc& doc = *app.m_pDoc;
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
               drag.elapsed() < 5 * CDocumentCommands::kJournalDelayMs) {
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
        if (event.data1 == 20 && onX) {
            onX(event.status & 0x0F, event.data2, Clock::now());
        }
        return 0;
    }
    std::function<void(int, int, Clock::time_point)> onX;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
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
    auto* outputs = window.findChild<QComboBox*>(QStringLiteral("OutputList"));
    outputs->setCurrentIndex(1);
    emit outputs->activated(1);
    QUdpSocket probe;
    probe.bind(QHostAddress::LocalHost, 0);
    CNetworkControl::Stored stored;
    stored.enabled = true;
    stored.port = probe.localPort();
    probe.close();
    if (!window.NetworkControl().Use(stored)) {
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
                                     QHostAddress::LocalHost, static_cast<quint16>(stored.port));
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
