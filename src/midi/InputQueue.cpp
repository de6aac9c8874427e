#include "midi/InputQueue.h"

InputQueue::InputQueue() : m_ring(new PortEvent[kCapacity]) {}

bool InputQueue::Push(const PortEvent& event) {
    const std::size_t head = m_head.load(std::memory_order_relaxed);
    const std::size_t tail = m_tail.load(std::memory_order_acquire);
    if (head - tail < kCapacity) {
        m_ring[head & (kCapacity - 1)] = event;
        m_head.store(head + 1, std::memory_order_seq_cst);
    } else {
        m_overflowed.fetch_add(1, std::memory_order_relaxed);
        if ((event.status & 0xF0) != 0xB0) {
            return false;
        }
        const std::size_t slot = (event.status & 0x0F) * 128u + event.data1;
        m_latest[slot].store(static_cast<std::uint16_t>(kPending | event.data2),
                             std::memory_order_relaxed);
        m_latestWaiting.store(true, std::memory_order_seq_cst);
    }
    return !m_woken.exchange(true, std::memory_order_seq_cst);
}

bool InputQueue::Pop(PortEvent& event) {
    if (PopOne(event)) {
        return true;
    }
    m_woken.store(false, std::memory_order_seq_cst);
    // What was pushed before the store above woke nobody: take it now.
    return PopOne(event);
}

bool InputQueue::PopOne(PortEvent& event) {
    const std::size_t tail = m_tail.load(std::memory_order_relaxed);
    if (tail != m_head.load(std::memory_order_seq_cst)) {
        event = m_ring[tail & (kCapacity - 1)];
        m_tail.store(tail + 1, std::memory_order_release);
        return true;
    }
    return PopLatest(event);
}

bool InputQueue::PopLatest(PortEvent& event) {
    if (!m_latestWaiting.exchange(false, std::memory_order_seq_cst)) {
        return false;
    }
    for (std::size_t n = 0; n < kLatestSlots; ++n) {
        const std::size_t slot = (m_latestScan + n) % kLatestSlots;
        const std::uint16_t latest = m_latest[slot].exchange(0, std::memory_order_relaxed);
        if (latest & kPending) {
            m_latestScan = slot + 1;
            event = PortEvent{};
            event.status = static_cast<std::uint8_t>(0xB0 + slot / 128);
            event.data1 = static_cast<std::uint8_t>(slot % 128);
            event.data2 = static_cast<std::uint8_t>(latest & 0x7F);
            // More may wait after this one; look again next time.
            m_latestWaiting.store(true, std::memory_order_release);
            return true;
        }
    }
    return false;
}

bool InputQueue::Empty() const {
    return m_tail.load(std::memory_order_acquire) == m_head.load(std::memory_order_acquire) &&
           !m_latestWaiting.load(std::memory_order_acquire);
}
