// The MIDI connections of the running program, measured on a real JACK server (name it in
// ORBIS_TEST_JACK_SERVER): incoming Control Changes per second from a JACK port into the
// document with the main window shown, start-up with and without a JACK server, and the time
// from a device's return to the first message delivered through it. The pad drag's rate on
// the wire is measured without MIDI, in memory.
#include "controls/CPositionPad.h"
#include "midi/JackMidiBackend.h"
#include "model/CControllerDoc.h"
#include "program/CControllerApp.h"
#include "program/CProcessorLink.h"
#include "support/EventLoop.h"
#include "support/JackMidiPeer.h"
#include "support/MemoryMidiBackend.h"
#include "support/PrivateJackServer.h"
#include "ui/CControllerDlg.h"
#include "ui/ControlIds.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

struct Program {
    explicit Program(MidiBackend& midi) : app(midi), window(app) { window.show(); }
    QComboBox* Outputs() { return window.findChild<QComboBox*>(QStringLiteral("OutputList")); }

    CControllerApp app;
    CControllerDlg window;
};

int InputNamed(MidiBackend& midi, const std::string& part) {
    return FindDevice(
        midi.InputCount(), [&midi](int n) { return InputDeviceName(midi, n); }, part);
}

// Items are Control Changes applied to the document with the window shown. That none is
// lost on the way is the end-to-end tests' to show.
void BM_IncomingFromJackToDocument(benchmark::State& state) {
    if (!UseTestJackServer()) {
        state.SkipWithError("set ORBIS_TEST_JACK_SERVER to a running JACK server");
        return;
    }
    std::unique_ptr<JackMidiBackend> midi = JackMidiBackend::Create({});
    BareJackClient flood("orbis-bench-flood", BareJackClient::Role::Flood);
    if (!midi || !flood.IsOpen()) {
        state.SkipWithError("JACK server not reachable");
        return;
    }
    Program program(*midi);
    program.window.InputDeviceMenu().Select(InputNamed(*midi, "orbis-bench-flood"));
    constexpr std::size_t kMessages = 200000;
    std::size_t sentBefore = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // The messages wait in the queue first, so the drain into the document is what is
        // timed, not the server's periods.
        flood.Flood(sentBefore + kMessages);
        while (flood.Sent() < sentBefore + kMessages) {
            QThread::msleep(1);
        }
        sentBefore += kMessages;
        program.app.Doc().InputLevel[0] = -1;
        state.ResumeTiming();
        const int last = static_cast<int>((sentBefore - 1) % 128);
        if (!ProcessEventsUntil([&] { return program.app.Doc().InputLevel[0] == last; })) {
            state.SkipWithError("the last message did not arrive");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kMessages));
}
BENCHMARK(BM_IncomingFromJackToDocument)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// From a key press on a slider to its Control Change arriving at another client, while a
// flood of 100,000 incoming Control Changes is being applied.
void BM_KeyPressDuringInputFlood(benchmark::State& state) {
    if (!UseTestJackServer()) {
        state.SkipWithError("set ORBIS_TEST_JACK_SERVER to a running JACK server");
        return;
    }
    std::unique_ptr<JackMidiBackend> midi = JackMidiBackend::Create({});
    BareJackClient flood("orbis-bench-flood2", BareJackClient::Role::Flood);
    BareJackClient sink("orbis-bench-sink2", BareJackClient::Role::Sink);
    if (!midi || !flood.IsOpen() || !sink.IsOpen()) {
        state.SkipWithError("JACK server not reachable");
        return;
    }
    Program program(*midi);
    program.window.InputDeviceMenu().Select(InputNamed(*midi, "orbis-bench-flood2"));
    QComboBox* outputs = program.Outputs();
    const int index = outputs->findText(QStringLiteral("orbis-bench-sink2:in"));
    outputs->setCurrentIndex(index);
    emit outputs->activated(index);
    QAbstractSlider* level = program.window.Control(ControlId::BellFactor);
    std::vector<double> millis;
    std::size_t floodTo = 0;
    for (auto _ : state) {
        floodTo += 100000;
        flood.Flood(floodTo);
        ProcessEventsUntil([&] { return flood.Sent() > floodTo - 90000; });
        const std::size_t before = sink.Received();
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(level, Qt::Key_Down);
        ProcessEventsUntil([&] { return sink.Received() > before; });
        millis.push_back(static_cast<double>(clock.nsecsElapsed()) / 1.0e6);
        ProcessEventsUntil([&] { return flood.Sent() >= floodTo; });
    }
    std::sort(millis.begin(), millis.end());
    state.counters["median_ms"] = millis[millis.size() / 2];
    state.counters["max_ms"] = millis.back();
}
BENCHMARK(BM_KeyPressDuringInputFlood)->Iterations(10)->Unit(benchmark::kMillisecond);

// From creating the MIDI backend to the first painted main window.
void StartUp(benchmark::State& state, bool withJack) {
    if (withJack && !UseTestJackServer()) {
        state.SkipWithError("set ORBIS_TEST_JACK_SERVER to a running JACK server");
        return;
    }
    std::vector<double> millis;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        std::unique_ptr<MidiBackend> jack;
        if (withJack) {
            jack = JackMidiBackend::Create({}, MidiStart::InBackground);
        }
        NullMidiBackend none;
        Program program(jack ? *jack : static_cast<MidiBackend&>(none));
        if (!QTest::qWaitForWindowExposed(&program.window)) {
            state.SkipWithError("the window was not shown");
            return;
        }
        QCoreApplication::processEvents();
        millis.push_back(static_cast<double>(clock.nsecsElapsed()) / 1.0e6);
    }
    std::sort(millis.begin(), millis.end());
    state.counters["median_ms"] = millis[millis.size() / 2];
}
BENCHMARK_CAPTURE(StartUp, without_midi, false)->Iterations(15)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StartUp, with_jack, true)->Iterations(15)->Unit(benchmark::kMillisecond);

// From a device's port appearing again to the first message from the window arriving there.
void BM_ReturnToFirstMessage(benchmark::State& state) {
    if (!UseTestJackServer()) {
        state.SkipWithError("set ORBIS_TEST_JACK_SERVER to a running JACK server");
        return;
    }
    std::unique_ptr<JackMidiBackend> midi = JackMidiBackend::Create({});
    auto sink = std::make_unique<BareJackClient>("orbis-bench-sink", BareJackClient::Role::Sink);
    if (!midi || !sink->IsOpen()) {
        state.SkipWithError("JACK server not reachable");
        return;
    }
    Program program(*midi);
    QComboBox* outputs = program.Outputs();
    ProcessEventsUntil(
        [&] { return outputs->findText(QStringLiteral("orbis-bench-sink:in")) > 0; });
    const int index = outputs->findText(QStringLiteral("orbis-bench-sink:in"));
    outputs->setCurrentIndex(index);
    emit outputs->activated(index);
    const OutputPortOwner& output = program.window.ProcessorLink().Output();
    std::vector<double> millis;
    std::vector<double> reconnect; // of which the window learning of it and reopening
    for (auto _ : state) {
        state.PauseTiming();
        sink.reset();
        ProcessEventsUntil([&] { return !output.IsOpen(); }); // the window has let go of it
        // Timed from the moment the device's port is there and its client active.
        sink = std::make_unique<BareJackClient>("orbis-bench-sink", BareJackClient::Role::Sink);
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        ProcessEventsUntil([&] { return output.IsOpen(); }); // the window has opened it again
        reconnect.push_back(static_cast<double>(clock.nsecsElapsed()) / 1.0e6);
        QTest::keyClick(program.window.Control(ControlId::InputLevel), Qt::Key_Down);
        ProcessEventsUntil([&] { return sink->Received() > 0; });
        millis.push_back(static_cast<double>(clock.nsecsElapsed()) / 1.0e6);
    }
    std::sort(millis.begin(), millis.end());
    state.counters["median_ms"] = millis[millis.size() / 2];
    state.counters["max_ms"] = millis.back();
    std::sort(reconnect.begin(), reconnect.end());
    state.counters["reopen_median_ms"] = reconnect[reconnect.size() / 2];
}
BENCHMARK(BM_ReturnToFirstMessage)->Iterations(10)->Unit(benchmark::kMillisecond);

// Messages per second on the wire while the source pad is dragged by a 1,000 Hz mouse;
// a DIN cable carries about 1,040.
void BM_PadDragMessagesPerSecond(benchmark::State& state) {
    MemoryMidiBackend midi;
    midi.AddOutputDevice("Processor");
    Program program(midi);
    QComboBox* outputs = program.Outputs();
    outputs->setCurrentIndex(1);
    emit outputs->activated(1);
    CPositionPad* pad = program.window.SourcePad();
    double messages = 0;
    double seconds = 0;
    for (auto _ : state) {
        midi.ClearRecords();
        const QPoint marker = pad->rect().center();
        QTest::mousePress(pad, Qt::LeftButton, {}, marker);
        QElapsedTimer clock;
        clock.start();
        for (int step = 1; step <= 1000; ++step) {
            const QPoint at = marker + QPoint(step % 97 - 48, step % 89 - 44);
            QMouseEvent move(QEvent::MouseMove, at, pad->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(pad, &move);
            while (clock.elapsed() < step) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            }
        }
        QTest::mouseRelease(pad, Qt::LeftButton, {}, marker);
        QTest::qWait(10);
        messages += static_cast<double>(midi.SentTo(0).size());
        seconds += static_cast<double>(clock.nsecsElapsed()) / 1.0e9;
    }
    state.counters["messages_per_s"] = messages / seconds;
}
BENCHMARK(BM_PadDragMessagesPerSecond)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
