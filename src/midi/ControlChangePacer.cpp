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

std::optional<ControlChangePacer::Message> ControlChangePacer::TakeNext() {
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
            return std::nullopt; // moved away and back while waiting: the processor has it
        }
        return Message{channel, controller, value};
    }
    return std::nullopt;
}

void ControlChangePacer::SendValue(const Message& message, const Send& send) {
    if (send(message)) {
        At(message.channel, message.controller).sent = message.value;
    }
    m_tokens -= 1.0;
}

double ControlChangePacer::Needed() const {
    if (m_ordered.empty() || m_ordered.front().value || !m_ordered.front().begun) {
        return 1.0;
    }
    // A begun barrier leaves the queue with its last part, so a part is always next.
    const Ordered& front = m_ordered.front();
    return std::min(front.expanded[front.next].cost, kBurst);
}

bool ControlChangePacer::SendOrdered(const Send& send) {
    Ordered& front = m_ordered.front();
    if (m_tokens < Needed()) {
        return false;
    }
    if (front.value) {
        SendValue(*front.value, send);
        m_ordered.pop_front();
        return true;
    }
    if (!front.begun) {
        front.begun = true;
        front.expanded = std::exchange(front.parts, {})();
        // The barrier may set any value: what went before it says nothing of what the
        // processor holds after it.
        ForgetSent();
        if (front.expanded.empty()) {
            m_ordered.pop_front();
            return true;
        }
        if (m_tokens < Needed()) {
            return false; // a long first part waits for its own length
        }
    }
    const Part& part = front.expanded[front.next++];
    part.send();
    m_tokens -= part.cost;
    if (front.next == front.expanded.size()) {
        m_ordered.pop_front();
    }
    return true;
}

std::optional<ControlChangePacer::TimePoint> ControlChangePacer::Pump(TimePoint now,
                                                                      const Send& send) {
    Refill(now);
    while (!m_ordered.empty()) {
        if (!SendOrdered(send)) {
            break;
        }
    }
    while (m_ordered.empty() && m_waitingCount > 0 && m_tokens >= 1.0) {
        if (const auto message = TakeNext()) {
            SendValue(*message, send);
        }
    }
    if (!Waiting()) {
        return std::nullopt;
    }
    const double wait = std::max(0.0, Needed() - m_tokens) / kRate;
    return now + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(wait));
}

void ControlChangePacer::Drain(const Send& send) {
    // A full burst each round always lets the next message out, however long it is.
    while (Waiting()) {
        m_tokens = kBurst;
        while (!m_ordered.empty() && SendOrdered(send)) {
        }
        while (m_ordered.empty() && m_waitingCount > 0 && m_tokens >= 1.0) {
            if (const auto message = TakeNext()) {
                SendValue(*message, send);
            }
        }
    }
}

bool ControlChangePacer::Barrier(int key, Parts parts) {
    if (key != kAlone) {
        for (const Ordered& waiting : m_ordered) {
            if (!waiting.value && !waiting.begun && waiting.key == key) {
                return false;
            }
        }
    }
    while (m_waitingCount > 0) {
        if (const auto message = TakeNext()) {
            Ordered value;
            value.value = *message;
            m_ordered.push_back(std::move(value));
        }
    }
    Ordered barrier;
    barrier.key = key;
    barrier.parts = std::move(parts);
    m_ordered.push_back(std::move(barrier));
    // What is posted from now on is compared with what the barrier leaves, not with what
    // went before it.
    ForgetSent();
    return true;
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
