// How fast the main window answers: from a control's notification to the event handed to
// the MIDI backend, and from the program's start to the first painted main window.
#include "app/CControllerApp.h"
#include "app/CControllerDlg.h"
#include "app/CDocumentCommands.h"
#include "app/ControlIds.h"
#include "controls/CSkinSlider.h"
#include "model/ParameterTable.h"
#include "support/MemoryMidiBackend.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

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
