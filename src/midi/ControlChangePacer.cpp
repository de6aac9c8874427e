#include "midi/ControlChangePacer.h"

#include <algorithm>
#include <utility>

namespace {

// Refilled slightly below the wire rate so that the burst and the rate together stay within
// kMessagesPerSecond in any one-second window.
constexpr double kRate = ControlChangePacer::kMessagesPerSecond - ControlChangePacer::kBurst;

bool InRange(int value, int end) {
    return value >= 0 && value < end;
}

} // namespace

void ControlChangePacer::Post(int channel, int controller, int value, Repeat repeat) {
    if (!InRange(channel, kChannels) || !InRange(controller, kControllers) ||
        !InRange(value, 128)) {
        return;
    }
    Slot& slot = At(channel, controller);
    if (slot.waiting == kNone) {
        if (repeat == Repeat::Skip && value == slot.sent) {
            return;
        }
        m_queues[static_cast<std::size_t>(channel)].push_back(
            static_cast<std::uint8_t>(controller));
        ++m_waitingCount;
    }
    slot.waiting = value;
    slot.repeat = repeat;
}

void ControlChangePacer::Refill(TimePoint now) {
    if (m_refilled && now > *m_refilled) {
        const double seconds = std::chrono::duration<double>(now - *m_refilled).count();
        m_tokens = std::min<double>(kBurst, m_tokens + seconds * kRate);
    }
    if (!m_refilled || now > *m_refilled) {
        m_refilled = now;
    }
}

// Takes the next waiting value in channel turn; true when one went on the wire.
bool ControlChangePacer::SendNext(const Send& send) {
    for (int turn = 0; turn < kChannels; ++turn) {
        const int channel = (m_nextChannel + turn) % kChannels;
        auto& queue = m_queues[static_cast<std::size_t>(channel)];
        if (queue.empty()) {
            continue;
        }
        const int controller = queue.front();
        queue.pop_front();
        --m_waitingCount;
        m_nextChannel = (channel + 1) % kChannels;
        Slot& slot = At(channel, controller);
        const int value = std::exchange(slot.waiting, kNone);
        if (slot.repeat == Repeat::Skip && value == slot.sent) {
            return false; // moved away and back while waiting: the processor has it
        }
        if (send({channel, controller, value})) {
            slot.sent = value;
        }
        return true;
    }
    return false;
}

std::optional<ControlChangePacer::TimePoint> ControlChangePacer::Pump(TimePoint now,
                                                                      const Send& send) {
    Refill(now);
    while (m_waitingCount > 0 && m_tokens >= 1.0) {
        if (SendNext(send)) {
            m_tokens -= 1.0;
        }
    }
    if (m_waitingCount == 0) {
        return std::nullopt;
    }
    const double wait = (1.0 - m_tokens) / kRate;
    return now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(wait));
}

void ControlChangePacer::Flush(TimePoint now, const Send& send) {
    Refill(now);
    while (m_waitingCount > 0) {
        if (SendNext(send)) {
            m_tokens -= 1.0;
        }
    }
    ForgetSent();
}

void ControlChangePacer::Charge(TimePoint now, int count) {
    Refill(now);
    m_tokens -= count;
}

void ControlChangePacer::ForgetSent() {
    for (auto& channel : m_slots) {
        for (Slot& slot : channel) {
            slot.sent = kNone;
        }
    }
}

void ControlChangePacer::ForgetSent(int channel, int controller) {
    if (InRange(channel, kChannels) && InRange(controller, kControllers)) {
        At(channel, controller).sent = kNone;
    }
}
