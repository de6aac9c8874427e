// One value text per call, over all 128 values.
#include "model/ValueText.h"

#include <benchmark/benchmark.h>

namespace {

template <class Format> void Each(benchmark::State& state, Format format) {
    int value = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(format(value));
        value = (value + 1) & 127;
    }
}

void Decibels(benchmark::State& s) {
    Each(s, [](int v) { return FormatDecibels(v, false); });
}
void Attenuation(benchmark::State& s) {
    Each(s, [](int v) { return FormatDecibels(v, true); });
}
void RoomSide(benchmark::State& s) {
    Each(s, [](int v) { return FormatRoomSide(v); });
}
void Metres(benchmark::State& s) {
    Each(s, [](int v) { return FormatMetres(11, v); });
}
void HighPass(benchmark::State& s) {
    Each(s, [](int v) { return FormatHighPassCutoff(v, 1); });
}
void LowPass(benchmark::State& s) {
    Each(s, [](int v) { return FormatLowPassCutoff(v, 1); });
}
void Degrees(benchmark::State& s) {
    Each(s, [](int v) { return FormatDegrees(false, v); });
}
void DegreesNumber(benchmark::State& s) {
    Each(s, [](int v) { return DegreesValue(false, v); });
}
void LabelRaw(benchmark::State& s) {
    const ValueLabelContext raw{true, 11, 0};
    Each(s, [&raw](int v) { return ValueLabel(ValueUnit::Attenuation, v, raw); });
}

BENCHMARK(Decibels);
BENCHMARK(Attenuation);
BENCHMARK(RoomSide);
BENCHMARK(Metres);
BENCHMARK(HighPass);
BENCHMARK(LowPass);
BENCHMARK(Degrees);
BENCHMARK(DegreesNumber);
BENCHMARK(LabelRaw);

} // namespace
