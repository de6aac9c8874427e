#include "midi/InputQueue.h"

InputQueue::InputQueue() = default;

bool InputQueue::Push(const PortEvent& event) {
    const bool controlChange = (event.status & 0xF0) == 0xB0;
    // Only this thread writes the count; the consumer's acknowledgement is what may change.
    const bool tableInUse = m_latestWritten.load(std::memory_order_relaxed) !=
                            m_latestTaken.load(std::memory_order_acquire);
    if (controlChange && tableInUse) {
        // Through the ring it would be applied before the older value waiting in the table.
        m_overflowed.fetch_add(1, std::memory_order_relaxed);
        PushLatest(event);
    } else if (!m_ring.TryPush(event)) {
        m_overflowed.fetch_add(1, std::memory_order_relaxed);
        if (!controlChange) {
            return false;
        }
        PushLatest(event);
    }
    return m_woken.Request();
}

void InputQueue::PushLatest(const PortEvent& event) {
    const std::size_t slot = (event.status & 0x0F) * 128u + event.data1;
    m_latest[slot].store(static_cast<std::uint16_t>(kPending | event.data2),
                         std::memory_order_relaxed);
    // Publishes the value above; sequentially consistent so that either the consumer sees
    // the count after clearing m_woken, or the exchange of m_woken wakes it.
    m_latestWritten.fetch_add(1, std::memory_order_seq_cst);
}

bool InputQueue::Pop(PortEvent& event) {
    if (PopOne(event)) {
        return true;
    }
    m_woken.Clear();
    // What was pushed before the store above woke nobody: take it now.
    return PopOne(event);
}

bool InputQueue::PopOne(PortEvent& event) {
    // Read the table's count before the ring: every ring event pushed before those values
    // is then visible, and taken first.
    const std::uint64_t written = m_latestWritten.load(std::memory_order_seq_cst);
    if (m_ring.Pop(event)) {
        return true;
    }
    return PopLatest(event, written);
}

bool InputQueue::PopLatest(PortEvent& event, std::uint64_t written) {
    // At most the pass under way and one more that accounts for every write counted above.
    for (int pass = 0; pass < 2; ++pass) {
        if (m_sweepSlot == kLatestSlots) {
            if (written == m_latestTaken.load(std::memory_order_relaxed)) {
                return false;
            }
            m_sweepSlot = 0;
            m_sweepWritten = written;
        }
        while (m_sweepSlot < kLatestSlots) {
            const std::size_t slot = m_sweepSlot++;
            const std::uint16_t latest = m_latest[slot].exchange(0, std::memory_order_relaxed);
            if (latest & kPending) {
                event = PortEvent{};
                event.status = static_cast<std::uint8_t>(0xB0 + slot / 128);
                event.data1 = static_cast<std::uint8_t>(slot % 128);
                event.data2 = static_cast<std::uint8_t>(latest & 0x7F);
                return true;
            }
        }
        // Every value written before the pass began has been handed out: the producer may
        // use the ring again unless it wrote more meanwhile.
        m_latestTaken.store(m_sweepWritten, std::memory_order_release);
    }
    return false;
}

bool InputQueue::Empty() const {
    return m_ring.Empty() && m_latestWritten.load(std::memory_order_acquire) ==
                                 m_latestTaken.load(std::memory_order_acquire);
}
