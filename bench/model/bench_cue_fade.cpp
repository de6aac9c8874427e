// One step of a 2 s fade of all eight sources' positions, stepped every 1 ms as a timer
// would; each iteration is one step, and the fade starts again when it ends.
#include "model/CueFade.h"

#include <benchmark/benchmark.h>

namespace {

using Doc = CControllerDoc;

void Step(benchmark::State& state, CuePath path) {
    Cue cue;
    cue.fadeTenths = 20;
    cue.path = path;
    CueFade::Values from;
    for (int channel = 0; channel < Doc::kChannels; ++channel) {
        // Sources spread round the room, each going to the opposite side.
        const int x = channel * 16, y = 127 - channel * 9;
        from.insert(from.end(), {{KeyOf(&Doc::XPosition, channel), x},
                                 {KeyOf(&Doc::YPosition, channel), y},
                                 {KeyOf(&Doc::ZPosition, channel), 20}});
        cue.values.insert(cue.values.end(), {{KeyOf(&Doc::XPosition, channel), 127 - x},
                                             {KeyOf(&Doc::YPosition, channel), 127 - y},
                                             {KeyOf(&Doc::ZPosition, channel), 100}});
    }
    CueFade fade;
    auto now = CueFade::Clock::time_point{};
    fade.Start(cue, from, now);
    for (auto _ : state) {
        now += std::chrono::milliseconds(1);
        benchmark::DoNotOptimize(fade.ValuesAt(now));
        if (fade.Done()) {
            state.PauseTiming();
            fade.Start(cue, from, now);
            state.ResumeTiming();
        }
    }
}

void Straight(benchmark::State& s) {
    Step(s, CuePath::Straight);
}
void Around(benchmark::State& s) {
    Step(s, CuePath::Around);
}

} // namespace

BENCHMARK(Straight);
BENCHMARK(Around);
