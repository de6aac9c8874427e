// How fast the main window answers: from a control's notification to the event handed to
// the MIDI backend, and from the program's start to the first painted main window.
#include "app/CControllerApp.h"
#include "app/CControllerDlg.h"
#include "app/ControlIds.h"
#include "controls/CSkinSlider.h"
#include "support/MemoryMidiBackend.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
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

} // namespace
