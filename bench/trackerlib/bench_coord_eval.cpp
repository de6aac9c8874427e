// Cost of one position evaluation: through the exported CoordEval (lock included) and
// of the trilateration alone, for a source beside each receiver and for a failure.
#include "Kestrel32Dll.h"
#include "Trilateration.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr double kReceivers[4][2] = {{0, 30}, {30, 30}, {30, 0}, {0, 0}};

// Sources that leave out receivers 0, 1, 2 and 3 in turn, then distances that fail.
kestrel::Distances Case(int index) {
    const double points[4][3] = {{25, 5, 20}, {5, 5, 20}, {10, 20, 25}, {25, 25, 20}};
    if (index == 4)
        return {16, 16, 45, 16};
    kestrel::Distances d{};
    const double* p = points[index];
    for (std::size_t i = 0; i < 4; ++i)
        d[i] = std::hypot(p[0] - kReceivers[i][0], p[1] - kReceivers[i][1], p[2]);
    return d;
}

void ExportedCoordEval(benchmark::State& state) {
    kestrel::Distances d = Case(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(d);
        benchmark::DoNotOptimize(CoordEval(d[0], d[1], d[2], d[3]));
    }
}

void Trilaterate(benchmark::State& state) {
    kestrel::Distances d = Case(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(d);
        benchmark::DoNotOptimize(kestrel::Trilaterate(d));
    }
}

} // namespace

BENCHMARK(ExportedCoordEval)->DenseRange(0, 4)->ArgName("case");
BENCHMARK(Trilaterate)->DenseRange(0, 4)->ArgName("case");
