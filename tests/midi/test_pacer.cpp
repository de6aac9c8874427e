// The pacer under a clock of the test's own: a flood from every channel never exceeds the
// wire's budget in any second, even with sections asked for far faster than it carries them,
// every channel is served, and each controller ends on the last value posted; repeats go
// out or not as asked, and a barrier goes out paced, after what waited before it.
#include "midi/ControlChangePacer.h"

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <map>
#include <vector>

using namespace std::chrono_literals;
using Message = ControlChangePacer::Message;
using Repeat = ControlChangePacer::Repeat;
using Part = ControlChangePacer::Part;

TEST(ControlChangePacer, AFloodStaysWithinTheBudgetServesEveryChannelAndEndsOnTheLastValues) {
    ControlChangePacer pacer;
    std::map<std::pair<int, int>, int> posted, arrived;
    std::map<int, int> perChannel;
    std::deque<ControlChangePacer::TimePoint> lastSecond;
    ControlChangePacer::TimePoint now{};
    const auto onWire = [&](int cost) {
        lastSecond.insert(lastSecond.end(), static_cast<std::size_t>(cost), now);
        while (now - lastSecond.front() >= 1s) {
            lastSecond.pop_front();
        }
        EXPECT_LE(lastSecond.size(), std::size_t{ControlChangePacer::kMessagesPerSecond});
    };
    const auto send = [&](const Message& m) {
        onWire(1);
        arrived[{m.channel, m.controller}] = m.value;
        ++perChannel[m.channel];
        return true;
    };
    std::map<int, int> requested, begun; // by barrier key
    const auto barrier = [&](int key, int parts, int cost) {
        ++requested[key];
        static_cast<void>(pacer.Barrier(key, [&, key, parts, cost] {
            ++begun[key];
            return std::vector<Part>(static_cast<std::size_t>(parts),
                                     {cost, [&, cost] { onWire(cost); }});
        }));
    };
    // Two seconds of every channel moving four controllers each millisecond, with a section
    // of 152 asked for every 50 ms, one of 4 every 11 ms and a system-exclusive command
    // every 100 ms; then quiet.
    for (int ms = 0; ms < 3000; ++ms, now += 1ms) {
        for (int channel = 0; ms < 2000 && channel < 16; ++channel) {
            for (int k = 20; k < 24; ++k) {
                posted[{channel, k}] = (ms * 7 + channel * 3 + k) % 128;
                pacer.Post(channel, k, posted[{channel, k}]);
            }
        }
        for (const auto& [key, every, parts, cost] :
             {std::array{1, 50, 152, 1}, {2, 11, 4, 1}, {ControlChangePacer::kAlone, 100, 1, 3}}) {
            if (ms < 2000 && ms % every == 0) {
                barrier(key, parts, cost);
            }
        }
        pacer.Pump(now, send);
    }
    EXPECT_EQ(begun[ControlChangePacer::kAlone], requested[ControlChangePacer::kAlone]);
    EXPECT_LT(begun[1], requested[1]) << "a waiting section absorbs requests";
    EXPECT_GT(begun[2], 1);
    EXPECT_FALSE(pacer.Waiting());
    EXPECT_EQ(arrived, posted);
    EXPECT_EQ(perChannel.size(), 16u);
    for (const auto& [channel, count] : perChannel) {
        EXPECT_GT(count, 100) << "channel " << channel << " starved";
    }
}

TEST(ControlChangePacer, RepeatsBarriersAndRefusals) {
    ControlChangePacer pacer;
    std::vector<Message> wire;
    const ControlChangePacer::TimePoint now{};
    const auto send = [&wire](const Message& m) {
        wire.push_back(m);
        return true;
    };
    const auto post = [&](int channel, int controller, int value, Repeat repeat) {
        pacer.Post(channel, controller, value, repeat);
        pacer.Pump(now, send);
    };
    post(1, 20, 5, Repeat::Skip);
    post(1, 20, 5, Repeat::Skip); // the processor has it
    post(1, 7, 9, Repeat::Send);
    post(1, 7, 9, Repeat::Send); // a control's notifications each go out
    EXPECT_EQ(wire, (std::vector<Message>{{1, 20, 5}, {1, 7, 9}, {1, 7, 9}}));

    // Over budget, values wait; a barrier goes after them, within the same budget, and what
    // is posted after it follows it, forgotten as sent.
    for (int v = 0; v < 20; ++v) {
        post(2, v, v, Repeat::Send);
    }
    EXPECT_TRUE(pacer.Barrier(ControlChangePacer::kAlone, [&wire] {
        return std::vector<Part>{{1, [&wire] { wire.push_back({0, 0, 0}); }}};
    }));
    post(1, 20, 5, Repeat::Skip);
    EXPECT_EQ(wire.size(), 8u);
    for (int ms = 1; ms <= 100; ++ms) {
        pacer.Pump(now + ms * 1ms, send);
    }
    EXPECT_EQ(wire.size(), 25u);
    EXPECT_EQ(wire[22], (Message{2, 19, 19}));
    EXPECT_EQ(wire[23], (Message{0, 0, 0})) << "the barrier after what waited";
    EXPECT_EQ(wire[24], (Message{1, 20, 5})) << "forgotten by the barrier, and after it";
    wire.clear();

    // At the end everything waiting goes out at once, in the order it would have gone.
    for (int v = 0; v < 20; ++v) {
        post(4, v, v, Repeat::Send);
    }
    pacer.Barrier(ControlChangePacer::kAlone, [&wire] {
        return std::vector<Part>{{3, [&wire] { wire.push_back({0, 1, 0}); }}};
    });
    post(4, 0, 99, Repeat::Send);
    pacer.Drain(send);
    EXPECT_FALSE(pacer.Waiting());
    ASSERT_EQ(wire.size(), 22u);
    EXPECT_EQ(wire[19], (Message{4, 19, 19}));
    EXPECT_EQ(wire[20], (Message{0, 1, 0}));
    EXPECT_EQ(wire[21], (Message{4, 0, 99}));
    wire.clear();

    // A value the port refused is not taken as sent.
    pacer.Post(3, 20, 8, Repeat::Skip);
    pacer.Pump(now + 2s, [](const Message&) { return false; });
    post(3, 20, 8, Repeat::Skip);
    EXPECT_EQ(wire.back(), (Message{3, 20, 8}));
}
