// Cue fades under a clock of the test's own: one table of transitions, each stepped every
// 10 ms from the cue firing to past its end, what is told applied to a stand-in document.
#include "model/CueFade.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <tuple>

namespace {

using Doc = CControllerDoc;
using Values = CueFade::Values;
constexpr CuePath kStraight = CuePath::Straight, kAround = CuePath::Around;

Cue MakeCue(int fadeTenths, CuePath path, Values values, unsigned channels = 0xFF,
            unsigned groups = 0x7F) {
    return {.name = {},
            .fadeTenths = fadeTenths,
            .path = path,
            .channels = channels,
            .groups = groups,
            .values = std::move(values)};
}

using Check = std::tuple<int, ParameterKey, int>; // ms, key, the document's value then

struct Transition {
    const char* name;
    Cue cue;
    Values from;
    std::vector<Check> checks = {};
    std::optional<Values> firstTold = {}; // exactly what the step at the firing tells
    int stopMs = -1;                      // Stop instead of the step at this time
    std::optional<Cue> next = {};         // started from the values reached, after the step
    int nextMs = 0;
};

TEST(CueFade, Transitions) {
    const auto x = [](int c) { return KeyOf(&Doc::XPosition, c); };
    const ParameterKey y0 = KeyOf(&Doc::YPosition, 0), z0 = KeyOf(&Doc::ZPosition, 0);
    const ParameterKey sx = KeyOf(&Doc::SpatOutXPos, 2), sy = KeyOf(&Doc::SpatOutYPos, 2);
    const ParameterKey speakers = KeyOf(&Doc::NMatrixOutput), rate = KeyOf(&Doc::Frequence);
    const ParameterKey route = KeyOf(&Doc::HostInPBSelect, 0), level = KeyOf(&Doc::InputLevel, 0);
    const ParameterKey level1 = KeyOf(&Doc::InputLevel, 1);
    // clang-format off
    const Transition rows[] = {
        {"straight: linear, exact at the end, held to 0-127", MakeCue(10, kStraight, {{x(0), 100}, {y0, 5}, {z0, 200}}),
         {{x(0), 10}, {y0, 120}, {z0, 0}}, {{500, x(0), 55}, {990, y0, 6}, {1000, x(0), 100}, {1000, y0, 5}, {1000, z0, 127}}},
        {"around: 12 to 6 o'clock by 3 at its distance, speakers straight", MakeCue(10, kAround, {{x(0), 64}, {y0, 1}, {sx, 118}, {sy, 10}}),
         {{x(0), 64}, {y0, 127}, {sx, 10}, {sy, 118}}, {{250, x(0), 109}, {250, y0, 109}, {500, x(0), 127}, {500, y0, 64}, {500, sx, 64}, {500, sy, 64}, {1000, y0, 1}}},
        {"around: 7:30 to 4:30 the shorter way, by 6", MakeCue(10, kAround, {{x(0), 109}, {y0, 19}}),
         {{x(0), 19}, {y0, 19}}, {{500, x(0), 64}, {500, y0, 0}, {750, x(0), 88}, {750, y0, 5}, {1000, x(0), 109}}},
        {"discrete values switch at the start", MakeCue(10, kStraight, {{level, 100}, {route, 3}, {speakers, 8}, {rate, 1}}),
         {{level, 0}, {route, 0}, {speakers, 5}, {rate, 0}}, {{500, level, 50}}, Values{{route, 3}, {rate, 1}, {speakers, 8}}},
        {"fade 0: the whole scope at once, in the document's order", MakeCue(0, kAround, {{rate, 1}, {y0, 5}, {x(0), 64}}),
         {{x(0), 64}, {y0, 127}, {rate, 0}}, {}, Values{{x(0), 64}, {y0, 5}, {rate, 1}}},
        {"stop freezes", MakeCue(10, kStraight, {{x(0), 100}}), {{x(0), 0}}, {{300, x(0), 30}, {2000, x(0), 30}}, {}, 300},
        {"a second start goes on from the values reached", MakeCue(10, kStraight, {{x(0), 100}}), {{x(0), 0}},
         {{500, x(0), 50}, {1000, x(0), 25}, {1500, x(0), 0}}, {}, -1, MakeCue(10, kStraight, {{x(0), 0}}), 500},
        {"scope: values outside the cue's untouched", MakeCue(10, kStraight, {{x(1), 0}, {x(3), 0}, {level1, 0}}, 0b10, 0b1),
         {{x(1), 64}, {x(3), 64}, {level1, 100}, {x(0), 64}}, {{1000, x(1), 0}, {2000, x(3), 64}, {2000, level1, 100}, {2000, x(0), 64}}},
    };
    // clang-format on
    const auto t0 = CueFade::Clock::time_point{} + std::chrono::hours(1);
    for (const Transition& row : rows) {
        SCOPED_TRACE(row.name);
        std::map<std::size_t, std::pair<ParameterKey, int>> doc; // by value index
        for (const auto& [key, value] : row.from) {
            doc[ValueIndex(key)] = {key, value};
        }
        std::map<std::size_t, std::vector<int>> series; // each value at each step
        const Cue& last = row.next ? *row.next : row.cue;
        const int doneMs =
            std::min(row.next ? row.nextMs + last.fadeTenths * 100 : row.cue.fadeTenths * 100,
                     row.stopMs < 0 ? INT_MAX : row.stopMs);
        CueFade fade;
        fade.Start(row.cue, row.from, t0);
        for (int ms = 0; ms <= 2000; ms += 10) {
            const auto now = t0 + std::chrono::milliseconds(ms);
            const Values told = ms == row.stopMs ? fade.Stop(now) : fade.ValuesAt(now);
            if (ms == 0 && row.firstTold) {
                EXPECT_EQ(told, *row.firstTold);
            }
            for (const auto& [key, value] : told) {
                EXPECT_TRUE(value >= 0 && value <= 127) << ms << " ms: " << value;
                // Told once when it changes; a recall tells the unchanged too, once.
                auto& held = doc[ValueIndex(key)];
                EXPECT_TRUE(held.second != value || (ms == 0 && row.cue.fadeTenths == 0)) << ms;
                held = {key, value};
            }
            for (const auto& [index, value] : doc) {
                series[index].push_back(value.second);
            }
            for (const auto& [at, key, value] : row.checks) {
                EXPECT_TRUE(at != ms || doc.at(ValueIndex(key)).second == value) << ms << " ms";
            }
            EXPECT_EQ(fade.Done(), ms >= doneMs) << ms << " ms";
            if (row.next && ms == row.nextMs) {
                Values reached;
                std::ranges::transform(doc, std::back_inserter(reached),
                                       [](auto& v) { return v.second; });
                fade.Start(*row.next, reached, now);
            }
        }
        // Straight never goes back.
        for (const auto& [index, values] : series) {
            const auto begin = values.begin() + (row.next ? row.nextMs / 10 : 0);
            EXPECT_TRUE(last.path == kAround || std::ranges::is_sorted(begin, values.end()) ||
                        std::ranges::is_sorted(begin, values.end(), std::greater{}))
                << "value " << index << " goes back";
        }
    }
}

} // namespace
