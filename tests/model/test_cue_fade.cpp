// Cue fades under a clock of the test's own: one table of transitions, each stepped every
// 10 ms from the cue firing to past its end, the reported values applied to a stand-in
// document.
#include "model/CueFade.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace {

using Doc = CControllerDoc;
using Values = CueFade::Values;
using Series = std::map<std::size_t, std::vector<int>>; // by value index: its value each step

ParameterKey Key(ChannelArray Doc::*array, int channel) {
    return KeyOf(array, channel);
}

Cue MakeCue(int fadeTenths, CuePath path, Values values, unsigned channels = 0xFF,
            unsigned groups = 0x7F) {
    Cue cue;
    cue.fadeTenths = fadeTenths;
    cue.path = path;
    cue.channels = channels;
    cue.groups = groups;
    cue.values = std::move(values);
    return cue;
}

struct Check {
    int ms;
    ParameterKey key;
    int value;
};

struct Transition {
    const char* name;
    Cue cue;
    Values from;
    std::vector<Check> checks = {};                 // the document's value at a step
    std::optional<Values> firstTold = {};           // exactly what the step at the firing tells
    int stopMs = -1;                                // Stop instead of a step at this time
    std::optional<Cue> next = {};                   // started at nextMs from the values reached
    int nextMs = 0;                                 // before the step at that time
    std::function<void(const Series&)> series = {}; // more on the values step by step
};

const ParameterKey kX0 = Key(&Doc::XPosition, 0), kY0 = Key(&Doc::YPosition, 0);
const ParameterKey kSpeakerX = Key(&Doc::SpatOutXPos, 2), kSpeakerY = Key(&Doc::SpatOutYPos, 2);
const ParameterKey kSpeakers = KeyOf(&Doc::NMatrixOutput), kRate = KeyOf(&Doc::Frequence);
const ParameterKey kRoute = Key(&Doc::HostInPBSelect, 0), kLevel = Key(&Doc::InputLevel, 0);

// A source moving around between equal distances keeps its distance: it never crosses the
// centre.
void KeepsDistance(const Series& s) {
    const auto& x = s.at(ValueIndex(kX0));
    const auto& y = s.at(ValueIndex(kY0));
    for (std::size_t i = 0; i < x.size(); ++i) {
        EXPECT_NEAR(std::hypot(x[i] - 64, y[i] - 64), std::hypot(x[0] - 64, y[0] - 64), 1.0)
            << "step " << i;
    }
}

TEST(CueFade, Transitions) {
    const ParameterKey x1 = Key(&Doc::XPosition, 1), x3 = Key(&Doc::XPosition, 3);
    const Transition rows[] = {
        {.name = "straight: linear, exact at the end",
         .cue = MakeCue(10, CuePath::Straight, {{kX0, 100}, {kY0, 5}}),
         .from = {{kX0, 10}, {kY0, 120}},
         .checks = {{0, kX0, 10}, {500, kX0, 55}, {990, kY0, 6}, {1000, kX0, 100}, {1000, kY0, 5}}},
        {.name = "around: 12 to 6 o'clock by the side, speakers straight",
         .cue =
             MakeCue(10, CuePath::Around, {{kX0, 64}, {kY0, 1}, {kSpeakerX, 118}, {kSpeakerY, 10}}),
         .from = {{kX0, 64}, {kY0, 127}, {kSpeakerX, 10}, {kSpeakerY, 118}},
         .checks = {{500, kX0, 127},
                    {500, kY0, 64},
                    {500, kSpeakerX, 64},
                    {500, kSpeakerY, 64},
                    {1000, kX0, 64},
                    {1000, kY0, 1}},
         .series = KeepsDistance},
        {.name = "around: 7:30 to 4:30 the shorter way, by 6 o'clock",
         .cue = MakeCue(10, CuePath::Around, {{kX0, 109}, {kY0, 19}}),
         .from = {{kX0, 19}, {kY0, 19}},
         .checks = {{500, kX0, 64}, {500, kY0, 0}, {1000, kX0, 109}},
         .series = KeepsDistance},
        {.name = "a value out of range is held to 0-127",
         .cue = MakeCue(10, CuePath::Straight, {{kX0, 200}}),
         .from = {{kX0, 0}},
         .checks = {{500, kX0, 64}, {1000, kX0, 127}}},
        {.name = "discrete values switch at the start",
         .cue = MakeCue(10, CuePath::Straight,
                        {{kLevel, 100}, {kRoute, 3}, {kSpeakers, 8}, {kRate, 1}}),
         .from = {{kLevel, 0}, {kRoute, 0}, {kSpeakers, 5}, {kRate, 0}},
         .checks = {{500, kLevel, 50}},
         .firstTold = Values{{kRoute, 3}, {kRate, 1}, {kSpeakers, 8}}},
        {.name = "fade 0: the whole scope at once, in the document's order",
         .cue = MakeCue(0, CuePath::Around, {{kRate, 1}, {kY0, 5}, {kX0, 64}}),
         .from = {{kX0, 64}, {kY0, 127}, {kRate, 0}},
         .firstTold = Values{{kX0, 64}, {kY0, 5}, {kRate, 1}}},
        {.name = "stop freezes",
         .cue = MakeCue(10, CuePath::Straight, {{kX0, 100}}),
         .from = {{kX0, 0}},
         .checks = {{300, kX0, 30}, {2000, kX0, 30}},
         .stopMs = 300},
        {.name = "a second start goes on from the values reached",
         .cue = MakeCue(10, CuePath::Straight, {{kX0, 100}}),
         .from = {{kX0, 0}},
         .checks = {{500, kX0, 49}, {1000, kX0, 24}, {1500, kX0, 0}},
         .next = MakeCue(10, CuePath::Straight, {{kX0, 0}}),
         .nextMs = 500,
         .series =
             [](const Series& s) {
                 const auto& x = s.at(ValueIndex(kX0));
                 EXPECT_TRUE(std::ranges::is_sorted(x.begin() + 50, x.end(), std::greater{}));
             }},
        {.name = "scope: values outside the cue's untouched",
         .cue = MakeCue(10, CuePath::Straight, {{x1, 0}, {x3, 0}, {kLevel, 0}}, 0b0010, 0b0001),
         .from = {{x1, 64}, {x3, 64}, {kLevel, 100}, {kX0, 64}},
         .checks = {{1000, x1, 0}, {2000, x3, 64}, {2000, kLevel, 100}, {2000, kX0, 64}}},
    };
    const auto t0 = CueFade::Clock::time_point{} + std::chrono::hours(1);
    for (const Transition& row : rows) {
        SCOPED_TRACE(row.name);
        std::map<std::size_t, std::pair<ParameterKey, int>> doc;
        for (const auto& [key, value] : row.from) {
            doc[ValueIndex(key)] = {key, value};
        }
        Series series;
        std::map<std::size_t, int> lastTold;
        int doneMs = row.next ? row.nextMs + row.next->fadeTenths * 100 : row.cue.fadeTenths * 100;
        doneMs = row.stopMs >= 0 ? std::min(doneMs, row.stopMs) : doneMs;
        CueFade fade;
        fade.Start(row.cue, row.from, t0);
        for (int ms = 0; ms <= 2000; ms += 10) {
            const auto now = t0 + std::chrono::milliseconds(ms);
            Values told;
            if (ms == row.stopMs) {
                told = fade.Stop(now);
            } else {
                if (row.next && ms == row.nextMs) {
                    Values reached;
                    for (const auto& [index, value] : doc) {
                        reached.push_back(value);
                    }
                    fade.Start(*row.next, reached, now);
                }
                told = fade.ValuesAt(now);
            }
            if (ms == 0 && row.firstTold) {
                EXPECT_EQ(told, *row.firstTold);
            }
            for (const auto& [key, value] : told) {
                EXPECT_TRUE(value >= 0 && value <= 127) << ms << " ms: " << value;
                const auto [last, fresh] = lastTold.try_emplace(ValueIndex(key), value);
                EXPECT_TRUE(fresh || std::exchange(last->second, value) != value) << ms << " ms";
                doc[ValueIndex(key)].second = value;
            }
            for (const auto& [index, value] : doc) {
                series[index].push_back(value.second);
            }
            for (const Check& check : row.checks) {
                if (check.ms == ms) {
                    EXPECT_EQ(doc[ValueIndex(check.key)].second, check.value) << ms << " ms";
                }
            }
            EXPECT_EQ(fade.Done(), ms >= doneMs) << ms << " ms";
        }
        if (row.cue.path == CuePath::Straight && !row.next) {
            for (const auto& [index, values] : series) {
                EXPECT_TRUE(std::ranges::is_sorted(values) ||
                            std::ranges::is_sorted(values, std::greater{}))
                    << "value " << index << " goes back";
            }
        }
        if (row.series) {
            row.series(series);
        }
    }
}

} // namespace
