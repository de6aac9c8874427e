// A knob repaint and a pad composition plus paint must each stay well inside one
// millisecond, so that dragging at a 1,000 Hz mouse rate never lags.
#include "controls/CPositionPad.h"
#include "controls/CRoundSliderCtrl.h"

#include <QApplication>
#include <QWindow>
#include <benchmark/benchmark.h>

namespace {

// repaint() draws nothing until the platform has exposed the window.
void ShowExposed(QWidget& window) {
    window.show();
    for (int i = 0;
         i < 1000 && (window.windowHandle() == nullptr || !window.windowHandle()->isExposed());
         ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

void BM_KnobRepaint(benchmark::State& state) {
    QWidget parent;
    auto* knob = new CRoundSliderCtrl(&parent);
    knob->setGeometry(0, 0, 42, 42);
    knob->setRange(0, 127);
    knob->SetZeroAngle(225);
    ShowExposed(parent);
    int value = 0;
    for (auto _ : state) {
        knob->setValue(value);
        knob->repaint();
        benchmark::DoNotOptimize(knob);
        value = (value + 1) % 128;
    }
}
BENCHMARK(BM_KnobRepaint)->Unit(benchmark::kMicrosecond);

void BM_PadComposeAndPaint(benchmark::State& state) {
    CPositionPad pad;
    pad.resize(202, 202);
    ShowExposed(pad);
    int x = 0;
    for (auto _ : state) {
        pad.SetFromValues(x, 127 - x);
        pad.repaint();
        x = (x + 1) % 128;
    }
}
BENCHMARK(BM_PadComposeAndPaint)->Unit(benchmark::kMicrosecond);

} // namespace
