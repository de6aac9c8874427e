// The remote page's path into the program, with its pages in this process on the loopback
// address: how long a paired page's move frame takes to reach the MIDI backend's send (the
// server, the live input, the processor link; the wire's pacing is let rest between moves, so
// that it adds no wait), and what a drag at a page's 60 moves a second costs the whole process
// with ten pages connected, every one of them sent the moved source.
#include "remote/RemotePage.h"
#include "support/MemoryMidiBackend.h"

#include "midi/ControlChangePacer.h"
#include "program/CControllerApp.h"
#include "program/CRemoteControl.h"
#include "ui/CControllerDlg.h"

#include <QComboBox>
#include <QEventLoop>
#include <QTcpServer>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The program with its output chosen and the remote page served on a free loopback port.
struct Served {
    Served() {
        midi.AddOutputDevice("Processor");
        app = std::make_unique<CControllerApp>(midi);
        window = std::make_unique<CControllerDlg>(*app);
        auto* outputs = window->findChild<QComboBox*>(QStringLiteral("OutputList"));
        outputs->setCurrentIndex(1);
        emit outputs->activated(1);
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        CRemoteControl::Stored stored;
        stored.enabled = true;
        stored.port = probe.serverPort();
        stored.code = QStringLiteral("482913");
        probe.close();
        app->Remote().Use(stored);
        port = static_cast<quint16>(stored.port);
    }
    ~Served() {
        window.reset();
        app.reset();
    }
    static void RestPacer() {
        ProcessEventsUntil(
            [] { return false; },
            ControlChangePacer::kBurst * 1000 / ControlChangePacer::kMessagesPerSecond + 2);
    }

    MemoryMidiBackend midi;
    std::unique_ptr<CControllerApp> app;
    std::unique_ptr<CControllerDlg> window;
    quint16 port = 0;
};

void BM_MoveFrameToBackend(benchmark::State& state) {
    Served served;
    RemotePage page(served.port);
    if (!page.Pair(QStringLiteral("482913"))) {
        state.SkipWithError("the page did not pair");
        return;
    }
    std::vector<double> micros;
    int step = 0;
    for (auto _ : state) {
        Served::RestPacer();
        served.midi.ClearRecords();
        const int x = ++step % 2 ? 20 : 100;
        const auto start = Clock::now();
        page.Send(QStringLiteral(R"({"type":"move","n":1,"x":%1})").arg(x));
        // Blocking for each next event, so that no polling interval is measured with it.
        while (served.midi.PutEvents().empty()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
}
BENCHMARK(BM_MoveFrameToBackend)->Iterations(300)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_DragWithTenPages(benchmark::State& state) {
    Served served;
    std::vector<std::unique_ptr<RemotePage>> pages;
    for (int i = 0; i < 10; ++i) {
        pages.push_back(std::make_unique<RemotePage>(served.port));
        if (!pages.back()->Pair(QStringLiteral("482913"))) {
            state.SkipWithError("a page did not pair");
            return;
        }
    }
    double cpu = 0;
    double wall = 0;
    int step = 0;
    for (auto _ : state) {
        const double cpuStart = CpuSeconds();
        const auto start = Clock::now();
        for (int frame = 0; frame < 60; ++frame) {
            ++step;
            pages[0]->Send(QStringLiteral(R"({"type":"move","n":2,"x":%1,"y":%2})")
                               .arg(step % 128)
                               .arg((step * 7) % 128));
            // Waiting blocks in the event loop, as the program does between a page's frames.
            const auto due = start + std::chrono::microseconds(16'667 * (frame + 1));
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now());
            QEventLoop wait;
            QTimer::singleShot(std::max(left, std::chrono::milliseconds(0)), &wait,
                               &QEventLoop::quit);
            wait.exec();
        }
        cpu += CpuSeconds() - cpuStart;
        wall += std::chrono::duration<double>(Clock::now() - start).count();
    }
    state.counters["cpu_ms_per_s_of_drag"] = 1000 * cpu / wall;
    state.counters["frames_received"] = static_cast<double>(pages[9]->received.size());
}
BENCHMARK(BM_DragWithTenPages)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
