// Whole outgoing messages from the user-interface thread to JACK's process thread: a 16-bit
// length and the bytes, in a fixed ring with one producer and one consumer, so that the
// process thread takes a message out without a lock or an allocation.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class JackMessageRing {
public:
    static constexpr std::size_t kBytes = std::size_t{1} << 16;

    JackMessageRing() : m_bytes(new std::uint8_t[kBytes]) {}

    bool Push(const std::vector<std::uint8_t>& message) {
        const std::size_t head = m_head.load(std::memory_order_relaxed);
        const std::size_t tail = m_tail.load(std::memory_order_acquire);
        const std::size_t size = message.size();
        if (size == 0 || size > 0xFFFF || kBytes - (head - tail) < size + 2) {
            return false;
        }
        Put(head, static_cast<std::uint8_t>(size >> 8));
        Put(head + 1, static_cast<std::uint8_t>(size & 0xFF));
        for (std::size_t i = 0; i < size; ++i) {
            Put(head + 2 + i, message[i]);
        }
        m_head.store(head + 2 + size, std::memory_order_release);
        return true;
    }

    // Process thread: the size of the oldest message, 0 when there is none.
    std::size_t PeekSize() const {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed);
        if (tail == m_head.load(std::memory_order_acquire)) {
            return 0;
        }
        return std::size_t{Get(tail)} << 8 | Get(tail + 1);
    }
    void CopyOldest(std::uint8_t* out, std::size_t size) const {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed) + 2;
        for (std::size_t i = 0; i < size; ++i) {
            out[i] = Get(tail + i);
        }
    }
    void DropOldest(std::size_t size) {
        m_tail.store(m_tail.load(std::memory_order_relaxed) + 2 + size, std::memory_order_release);
    }

    bool Empty() const {
        return m_tail.load(std::memory_order_acquire) == m_head.load(std::memory_order_acquire);
    }
    // Only while the process thread cannot look at the ring.
    void Clear() { m_tail.store(m_head.load()); }

private:
    void Put(std::size_t at, std::uint8_t byte) { m_bytes[at & (kBytes - 1)] = byte; }
    std::uint8_t Get(std::size_t at) const { return m_bytes[at & (kBytes - 1)]; }

    std::unique_ptr<std::uint8_t[]> m_bytes;
    alignas(64) std::atomic<std::size_t> m_head{0};
    alignas(64) std::atomic<std::size_t> m_tail{0};
};
