// The pacer under a clock of the test's own: a flood from every channel never exceeds the
// wire's budget in any second, every channel is served, and each controller ends on the last
// value posted; repeats go out or not as asked, and a barrier sends what waits first.
#include "midi/ControlChangePacer.h"

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <vector>

using namespace std::chrono_literals;
using Message = ControlChangePacer::Message;

namespace {

struct Wire {
    std::vector<std::pair<ControlChangePacer::TimePoint, Message>> sent;
    ControlChangePacer::TimePoint now{};
    ControlChangePacer::Send Sender() {
        return [this](const Message& m) {
            sent.emplace_back(now, m);
            return true;
        };
    }
    std::vector<Message> Messages() const {
        std::vector<Message> messages;
        for (const auto& [time, m] : sent) {
            messages.push_back(m);
        }
        return messages;
    }
};

} // namespace

TEST(ControlChangePacer, AFloodStaysWithinTheBudgetServesEveryChannelAndEndsOnTheLastValues) {
    ControlChangePacer pacer;
    Wire wire;
    std::array<std::array<int, 4>, 16> last{};
    // Two seconds of every channel moving four controllers each millisecond, then quiet.
    for (int ms = 0; ms < 3000; ++ms) {
        wire.now = ControlChangePacer::TimePoint{} + std::chrono::milliseconds(ms);
        if (ms < 2000) {
            for (int channel = 0; channel < 16; ++channel) {
                for (int k = 0; k < 4; ++k) {
                    const int value = (ms * 7 + channel * 3 + k) % 128;
                    pacer.Post(channel, 20 + k, value);
                    last[channel][k] = value;
                }
            }
        }
        pacer.Pump(wire.now, wire.Sender());
    }
    EXPECT_FALSE(pacer.Waiting());
    std::deque<ControlChangePacer::TimePoint> window;
    std::array<int, 16> perChannel{};
    for (const auto& [time, m] : wire.sent) {
        window.push_back(time);
        while (time - window.front() >= 1s) {
            window.pop_front();
        }
        ASSERT_LE(window.size(), std::size_t{ControlChangePacer::kMessagesPerSecond});
        ++perChannel[m.channel];
    }
    for (int channel = 0; channel < 16; ++channel) {
        EXPECT_GT(perChannel[channel], 100) << "channel " << channel << " starved";
        for (int k = 0; k < 4; ++k) {
            int final = -1;
            for (const auto& [time, m] : wire.sent) {
                if (m.channel == channel && m.controller == 20 + k) {
                    final = m.value;
                }
            }
            EXPECT_EQ(final, last[channel][k]) << "channel " << channel << " controller " << k;
        }
    }
}

TEST(ControlChangePacer, RepeatsBarriersAndRefusals) {
    using Repeat = ControlChangePacer::Repeat;
    ControlChangePacer pacer;
    Wire wire;
    const auto send = wire.Sender();
    const auto post = [&](int channel, int controller, int value, Repeat repeat) {
        pacer.Post(channel, controller, value, repeat);
        pacer.Pump(wire.now, send);
    };
    post(1, 20, 5, Repeat::Skip);
    post(1, 20, 5, Repeat::Skip); // the processor has it
    post(1, 7, 9, Repeat::Send);
    post(1, 7, 9, Repeat::Send); // a control's notifications each go out
    EXPECT_EQ(wire.Messages(), (std::vector<Message>{{1, 20, 5}, {1, 7, 9}, {1, 7, 9}}));

    // Over budget, values wait; a barrier sends them first and forgets what was sent.
    wire.sent.clear();
    for (int v = 0; v < 20; ++v) {
        pacer.Post(2, v, v);
    }
    pacer.Pump(wire.now, send);
    EXPECT_TRUE(pacer.Waiting());
    pacer.Flush(wire.now, send);
    EXPECT_EQ(wire.sent.size(), 20u);
    EXPECT_FALSE(pacer.Waiting());
    wire.now += 1s;
    wire.sent.clear();
    pacer.Post(1, 20, 5, Repeat::Skip);
    pacer.Pump(wire.now, send);
    EXPECT_EQ(wire.Messages(), (std::vector<Message>{{1, 20, 5}})) << "forgotten by the barrier";

    // A value the port refused is not taken as sent.
    wire.sent.clear();
    pacer.ForgetSent();
    pacer.Post(3, 20, 8, Repeat::Skip);
    pacer.Pump(wire.now, [](const Message&) { return false; });
    pacer.Post(3, 20, 8, Repeat::Skip);
    pacer.Pump(wire.now, send);
    EXPECT_EQ(wire.Messages(), (std::vector<Message>{{3, 20, 8}}));
}
