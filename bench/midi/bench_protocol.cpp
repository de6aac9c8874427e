// How long the document takes to hand a section to the port layer, how many received
// events it applies per second, and the latency of one Control Change through JACK.
#include "midi/MemoryMidiBackend.h"
#include "midi/RtMidiBackend.h"
#include "model/CControllerDoc.h"

#ifdef ORBIS_HAVE_JACK_PEERS
#include "JackMidiPeer.h"
#endif

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace {

// Counts what arrives without keeping it, so the benchmark measures the document and the port.
class CountingBackend final : public NullMidiBackend {
public:
    std::size_t events = 0;
    int OutputCount() override { return 1; }
    std::optional<std::string> OutputName(int) override { return "bench"; }
    Handle OpenOutput(int device, std::uint32_t) override { return device == 0 ? 33 : 0; }
    int PutOutput(Handle, const PortEvent& event) override {
        benchmark::DoNotOptimize(event);
        ++events;
        return 0;
    }
};

void SendChannelsToPort(benchmark::State& state) {
    CountingBackend backend;
    MidiBackend::SetCurrent(&backend);
    {
        CControllerDoc doc;
        doc.outMIDIPort = 1;
        for (auto _ : state) {
            benchmark::DoNotOptimize(doc.SendChannels());
        }
    }
    state.counters["events"] =
        static_cast<double>(backend.events) / static_cast<double>(state.iterations());
    MidiBackend::SetCurrent(nullptr);
}
BENCHMARK(SendChannelsToPort)->Unit(benchmark::kMicrosecond);

void SendChannelsIntoMemoryBackend(benchmark::State& state) {
    MemoryMidiBackend backend;
    backend.AddOutputDevice("bench");
    MidiBackend::SetCurrent(&backend);
    {
        CControllerDoc doc;
        doc.outMIDIPort = 1;
        for (auto _ : state) {
            doc.SendChannels();
            state.PauseTiming();
            backend.ClearRecords();
            state.ResumeTiming();
        }
    }
    MidiBackend::SetCurrent(nullptr);
}
BENCHMARK(SendChannelsIntoMemoryBackend)->Unit(benchmark::kMicrosecond);

void ApplyIncomingEvents(benchmark::State& state) {
    CControllerDoc doc;
    std::vector<PortEvent> events;
    for (int i = 0; i < 1024; ++i) {
        PortEvent event;
        event.status = static_cast<std::uint8_t>(0xB0 + i % 8);
        event.data1 = static_cast<std::uint8_t>(i % 32);
        event.data2 = static_cast<std::uint8_t>(i % 128);
        events.push_back(event);
    }
    for (auto _ : state) {
        for (const PortEvent& event : events) {
            doc.ApplyIncomingEvent(event);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(events.size()));
}
BENCHMARK(ApplyIncomingEvents);

#ifdef ORBIS_HAVE_JACK_PEERS
// From the send call to the capture client's callback, through a real JACK server.
void ControlChangeLatencyThroughJack(benchmark::State& state) {
    if (!UseTestJackServer()) {
        state.SkipWithError("set ORBIS_TEST_JACK_SERVER to a running JACK server");
        return;
    }
    std::unique_ptr<MidiBackend> backend = CreateSystemMidiBackend();
    JackMidiCapture capture("orbis-bench-capture");
    if (!backend || !capture.IsOpen()) {
        state.SkipWithError("JACK server not reachable");
        return;
    }
    MidiBackend::SetCurrent(backend.get());
    std::vector<double> latencies;
    {
        CControllerDoc doc;
        for (int n = 0; n < backend->OutputCount(); ++n) {
            if (CControllerDoc::OutputDeviceName(n).find("orbis-bench-capture") !=
                std::string::npos) {
                doc.outMIDIPort = n + 1;
            }
        }
        doc.EnsureOutputOpen(doc.outMIDIPort);
        std::size_t expected = 0;
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            doc.SendShort(0xB0, 0, 7, static_cast<int>(expected % 128));
            ++expected;
            if (!capture.WaitFor(expected, std::chrono::seconds(2))) {
                state.SkipWithError("message lost");
                break;
            }
            latencies.push_back(
                std::chrono::duration<double, std::micro>(capture.LastArrival() - start).count());
        }
    }
    MidiBackend::SetCurrent(nullptr);
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        state.counters["median_us"] = latencies[latencies.size() / 2];
        state.counters["p99_us"] = latencies[latencies.size() * 99 / 100];
    }
}
BENCHMARK(ControlChangeLatencyThroughJack)->Iterations(500)->Unit(benchmark::kMicrosecond);
#endif

} // namespace

BENCHMARK_MAIN();
