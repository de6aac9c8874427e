// What reading OSC control costs the receiving thread: a plain position, a query for every
// value, addresses of empty `{}` groups (each group multiplies a backtracking matcher's work
// by eleven; here they should cost in proportion to their length), and a whole datagram of
// them, which is the longest the thread goes without looking whether it is asked to stop.
#include "osc/OscControl.h"
#include "osc/OscMessage.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

std::string EmptyGroups(std::int64_t groups) {
    std::string address = "/orbis/";
    for (std::int64_t i = 0; i < groups; ++i) {
        address += "{,,,,,,,,,,}";
    }
    return address + "a";
}

void Read(benchmark::State& state, const OscMessage& message) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadOscCommands(message, 1));
    }
}

void BM_ReadPosition(benchmark::State& state) {
    Read(state, {"/adm/obj/3/xyz", {0.5f, -1.0f, 0.0f}});
}
BENCHMARK(BM_ReadPosition);

void BM_ReadQueryForEveryValue(benchmark::State& state) {
    Read(state, {"/orbis/ch/*/*", {}});
}
BENCHMARK(BM_ReadQueryForEveryValue);

void BM_ReadEmptyGroups(benchmark::State& state) {
    Read(state, {EmptyGroups(state.range(0)), {}});
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ReadEmptyGroups)->Arg(1)->Arg(9)->Arg(20)->Arg(41)->Complexity();

// The longest address taken, stars in both parts matched against every channel and value.
void BM_ReadLongestStars(benchmark::State& state) {
    Read(state, {"/orbis/ch/" + std::string(250, '*') + "/" + std::string(250, '*'), {}});
}
BENCHMARK(BM_ReadLongestStars);

// A bundle filling a datagram with the longest hostile address taken, decoded and read.
void BM_ReadDatagramOfEmptyGroups(benchmark::State& state) {
    const std::vector<char> element = EncodeOsc({EmptyGroups(41), {}});
    std::vector<char> datagram = {'#', 'b', 'u', 'n', 'd', 'l', 'e', '\0', 0, 0, 0, 0, 0, 0, 0, 1};
    std::int64_t messages = 0;
    while (datagram.size() + 4 + element.size() <= 64 * 1024 - 28) {
        const auto size = static_cast<std::uint32_t>(element.size());
        datagram.insert(datagram.end(),
                        {static_cast<char>(size >> 24), static_cast<char>(size >> 16),
                         static_cast<char>(size >> 8), static_cast<char>(size)});
        datagram.insert(datagram.end(), element.begin(), element.end());
        ++messages;
    }
    for (auto _ : state) {
        for (const OscMessage& message : DecodeOscPacket(datagram.data(), datagram.size())) {
            benchmark::DoNotOptimize(ReadOscCommands(message, 1));
        }
    }
    state.counters["messages"] = static_cast<double>(messages);
}
BENCHMARK(BM_ReadDatagramOfEmptyGroups)->Unit(benchmark::kMillisecond);

} // namespace
