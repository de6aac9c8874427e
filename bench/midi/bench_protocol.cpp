// How long a section of the document takes to reach the port layer, how many received
// events the document takes per second, and the latency of one Control Change through JACK.
#include "midi/OutputPortOwner.h"
#include "midi/SystemMidiBackend.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "support/MemoryMidiBackend.h"

#include "support/JackMidiPeer.h"

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

// What the program and orbis-send do for a section.
MidiResult SendChannels(const CControllerDoc& doc, OutputPortOwner& output) {
    const MidiResult opened = output.OpenForSending(doc.outMIDIPort);
    return opened ? output.SendControlChanges(SectionMessages(doc, SendSection::Channels)) : opened;
}

void SendChannelsToPort(benchmark::State& state) {
    CountingBackend backend;
    {
        CControllerDoc doc;
        OutputPortOwner output(backend);
        doc.outMIDIPort = 1;
        for (auto _ : state) {
            benchmark::DoNotOptimize(SendChannels(doc, output));
        }
    }
    state.counters["events"] =
        static_cast<double>(backend.events) / static_cast<double>(state.iterations());
}
BENCHMARK(SendChannelsToPort)->Unit(benchmark::kMicrosecond);

void SendChannelsIntoMemoryBackend(benchmark::State& state) {
    MemoryMidiBackend backend;
    backend.AddOutputDevice("bench");
    {
        CControllerDoc doc;
        OutputPortOwner output(backend);
        doc.outMIDIPort = 1;
        for (auto _ : state) {
            benchmark::DoNotOptimize(SendChannels(doc, output));
            state.PauseTiming();
            backend.ClearRecords();
            state.ResumeTiming();
        }
    }
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
            if (const auto received =
                    ReceivedControlChange(event.status, event.data1, event.data2)) {
                doc.Set(received->key, received->value, ChangeOrigin::Live);
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(events.size()));
}
BENCHMARK(ApplyIncomingEvents);

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
    std::vector<double> latencies;
    {
        OutputPortOwner output(*backend);
        int entry = 0;
        for (int n = 0; n < backend->OutputCount(); ++n) {
            if (OutputDeviceName(*backend, n).find("orbis-bench-capture") != std::string::npos) {
                entry = n + 1;
            }
        }
        if (!output.OpenForSending(entry)) {
            state.SkipWithError("the capture client's port did not open");
            return;
        }
        std::size_t expected = 0;
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            static_cast<void>(output.SendShort(0xB0, 0, 7, static_cast<int>(expected % 128)));
            ++expected;
            if (!capture.WaitFor(expected, std::chrono::seconds(2))) {
                state.SkipWithError("message lost");
                break;
            }
            latencies.push_back(
                std::chrono::duration<double, std::micro>(capture.LastArrival() - start).count());
        }
    }
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        state.counters["median_us"] = latencies[latencies.size() / 2];
        state.counters["p99_us"] = latencies[latencies.size() * 99 / 100];
    }
}
BENCHMARK(ControlChangeLatencyThroughJack)->Iterations(500)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
