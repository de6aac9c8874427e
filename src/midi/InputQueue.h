// The waiting input of one port, between the thread the MIDI system delivers on (for JACK
// the real-time process thread) and the user-interface thread that drains it. Pushing
// neither locks, allocates nor blocks: a fixed power-of-two ring with one producer and one
// consumer. When the consumer falls so far behind that the ring is full, every further
// Control Change still lands in a table of the newest value per channel and controller,
// read after the ring, and so does every Control Change after it until the consumer has
// emptied that table: a newer value never overtakes an older one through the ring, so the
// document ends where the sender left it.
#pragma once

#include "handoff/Mailbox.h"
#include "midi/PortEvent.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

class InputQueue {
public:
    static constexpr std::size_t kCapacity = std::size_t{1} << 17;

    InputQueue();

    // Producer side. Returns true when the consumer must be woken: once after each time it
    // found the queue empty, not once per event.
    bool Push(const PortEvent& event);

    // Consumer side: the next event, oldest first, then the newest values that overflowed.
    // A Pop that finds the queue empty asks the producer to wake the consumer again.
    bool Pop(PortEvent& event);
    bool Empty() const;
    // Events that could not be kept in order (their newest value still arrives).
    std::uint64_t Overflowed() const { return m_overflowed.load(std::memory_order_relaxed); }

private:
    static constexpr std::uint16_t kPending = 0x8000;
    static constexpr std::size_t kLatestSlots = 16 * 128;

    void PushLatest(const PortEvent& event);
    bool PopOne(PortEvent& event);
    bool PopLatest(PortEvent& event, std::uint64_t written);

    SpscFifo<PortEvent, kCapacity> m_ring;
    // Per channel and controller: kPending | value while a newer value waits.
    std::array<std::atomic<std::uint16_t>, kLatestSlots> m_latest{};
    // Values the producer has put in the table, and how many of them the consumer has
    // taken: while they differ, Control Changes go to the table.
    alignas(64) std::atomic<std::uint64_t> m_latestWritten{0};
    alignas(64) std::atomic<std::uint64_t> m_latestTaken{0};
    // Requested by the producer when it wakes the consumer, cleared by the consumer when it
    // finds nothing more: a push after that clearing wakes it again, so no event is left
    // waiting.
    WakeOnce m_woken;
    std::atomic<std::uint64_t> m_overflowed{0};
    // The consumer's pass over the table: where it is, and the writes it will account for.
    std::size_t m_sweepSlot = kLatestSlots;
    std::uint64_t m_sweepWritten = 0;
};
