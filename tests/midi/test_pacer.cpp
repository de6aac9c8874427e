// The pacer under a clock of the test's own: a flood from every channel never exceeds the
// wire's budget in any second, every channel is served, and each controller ends on the last
// value posted; repeats go out or not as asked, and a barrier sends what waits first.
#include "midi/ControlChangePacer.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <vector>

using namespace std::chrono_literals;
using Message = ControlChangePacer::Message;
using Repeat = ControlChangePacer::Repeat;

TEST(ControlChangePacer, AFloodStaysWithinTheBudgetServesEveryChannelAndEndsOnTheLastValues) {
    ControlChangePacer pacer;
    std::map<std::pair<int, int>, int> posted, arrived;
    std::map<int, int> perChannel;
    std::deque<ControlChangePacer::TimePoint> lastSecond;
    ControlChangePacer::TimePoint now{};
    const auto send = [&](const Message& m) {
        lastSecond.push_back(now);
        while (now - lastSecond.front() >= 1s) {
            lastSecond.pop_front();
        }
        EXPECT_LE(lastSecond.size(), std::size_t{ControlChangePacer::kMessagesPerSecond});
        arrived[{m.channel, m.controller}] = m.value;
        ++perChannel[m.channel];
        return true;
    };
    // Two seconds of every channel moving four controllers each millisecond, then quiet.
    for (int ms = 0; ms < 3000; ++ms, now += 1ms) {
        for (int channel = 0; ms < 2000 && channel < 16; ++channel) {
            for (int k = 20; k < 24; ++k) {
                posted[{channel, k}] = (ms * 7 + channel * 3 + k) % 128;
                pacer.Post(channel, k, posted[{channel, k}]);
            }
        }
        pacer.Pump(now, send);
    }
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

    // Over budget, values wait; a barrier sends them first and forgets what was sent.
    for (int v = 0; v < 20; ++v) {
        post(2, v, v, Repeat::Send);
    }
    EXPECT_TRUE(pacer.Waiting());
    pacer.Flush(now, send);
    EXPECT_EQ(wire.size(), 23u);
    wire.clear();
    pacer.Post(1, 20, 5, Repeat::Skip);
    pacer.Pump(now + 1s, send);
    EXPECT_EQ(wire, (std::vector<Message>{{1, 20, 5}})) << "forgotten by the barrier";

    // A value the port refused is not taken as sent.
    pacer.Post(3, 20, 8, Repeat::Skip);
    pacer.Pump(now + 2s, [](const Message&) { return false; });
    post(3, 20, 8, Repeat::Skip);
    EXPECT_EQ(wire.back(), (Message{3, 20, 8}));
}
