// Hand-offs from any thread to the user-interface thread, in three small pieces:
// WakeOnce says when a producer must wake the consumer, once per batch and never while a
// wake is pending; SpscFifo keeps order between one producer and one consumer without a
// lock or an allocation, for a real-time producer; LatestMailbox keeps the newest value of
// each key and a short queue of commands, for producers that may take a short lock. All
// are bounded: a flood is dropped and counted, never grows the program, never blocks.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class WakeOnce {
public:
    // Producer, after putting work: true when this call must wake the consumer.
    bool Request() { return !m_pending.exchange(true, std::memory_order_seq_cst); }
    // Consumer, before it looks for work: whatever is put after this wakes it again.
    // Sequentially consistent so that either the consumer then sees the producer's work
    // or the producer's Request sees the flag cleared.
    void Clear() { m_pending.store(false, std::memory_order_seq_cst); }
    bool Pending() const { return m_pending.load(std::memory_order_seq_cst); }

private:
    std::atomic<bool> m_pending{false};
};

// One producer, one consumer; Capacity a power of two. The ring is allocated once.
template <typename T, std::size_t Capacity> class SpscFifo {
    static_assert(Capacity > 0 && (Capacity & (Capacity - 1)) == 0);

public:
    static constexpr std::size_t kCapacity = Capacity;

    SpscFifo() : m_ring(new T[Capacity]) {}

    // Producer: false when full, without counting it (the caller decides what a refusal is).
    bool TryPush(const T& item) {
        const std::size_t head = m_head.load(std::memory_order_relaxed);
        if (head - m_tail.load(std::memory_order_acquire) >= Capacity) {
            return false;
        }
        m_ring[head & (Capacity - 1)] = item;
        // Sequentially consistent so that a consumer may order the ring against a counter
        // of its own, as the MIDI input's table of overflowed values does.
        m_head.store(head + 1, std::memory_order_seq_cst);
        return true;
    }
    // Producer: false, and counted as dropped, when full.
    bool Push(const T& item) {
        if (TryPush(item)) {
            return true;
        }
        m_dropped.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    // Consumer: the oldest item.
    bool Pop(T& item) {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed);
        if (tail == m_head.load(std::memory_order_seq_cst)) {
            return false;
        }
        item = m_ring[tail & (Capacity - 1)];
        m_tail.store(tail + 1, std::memory_order_release);
        return true;
    }
    bool Empty() const {
        return m_tail.load(std::memory_order_acquire) == m_head.load(std::memory_order_acquire);
    }
    std::uint64_t Dropped() const { return m_dropped.load(std::memory_order_relaxed); }

private:
    std::unique_ptr<T[]> m_ring;
    alignas(64) std::atomic<std::size_t> m_head{0}; // next slot the producer writes
    alignas(64) std::atomic<std::size_t> m_tail{0}; // next slot the consumer reads
    std::atomic<std::uint64_t> m_dropped{0};
};

// Any number of producers, one consumer. Latest-wins slots by key, at most maxKeys of
// them, and a queue of at most maxQueued; Take hands out both in the order last put.
template <typename Key, typename Value> class LatestMailbox {
public:
    LatestMailbox(std::size_t maxKeys, std::size_t maxQueued)
        : m_maxKeys(maxKeys), m_maxQueued(maxQueued) {}

    // Replaces the value waiting for `key`, or, with `merge(waiting, newer)`, folds the
    // newer into it; either way it moves to the end of the order. Returns true when the
    // consumer must be woken. A new key that finds every slot taken is dropped.
    template <typename Merge> bool PutLatest(const Key& key, Value value, Merge merge) {
        const std::lock_guard lock(m_mutex);
        const auto it = m_latest.find(key);
        if (it != m_latest.end()) {
            merge(it->second.second, std::move(value));
            it->second.first = ++m_sequence;
        } else if (m_latest.size() < m_maxKeys) {
            m_latest.emplace(key, std::pair(++m_sequence, std::move(value)));
        } else {
            ++m_dropped;
            return false;
        }
        return m_wake.Request();
    }
    bool PutLatest(const Key& key, Value value) {
        return PutLatest(key, std::move(value),
                         [](Value& waiting, Value&& newer) { waiting = std::move(newer); });
    }
    // Appends in order; dropped when the queue is full. True when the consumer must be woken.
    bool PutQueued(Value value) {
        const std::lock_guard lock(m_mutex);
        if (m_queued.size() >= m_maxQueued) {
            ++m_dropped;
            return false;
        }
        m_queued.emplace_back(++m_sequence, std::move(value));
        return m_wake.Request();
    }

    // Consumer: everything waiting, oldest first. Whatever is put afterwards wakes again.
    std::vector<Value> Take() {
        std::vector<std::pair<std::uint64_t, Value>> all;
        {
            const std::lock_guard lock(m_mutex);
            m_wake.Clear();
            all.reserve(m_latest.size() + m_queued.size());
            for (auto& [key, entry] : m_latest) {
                all.push_back(std::move(entry));
            }
            m_latest.clear();
            std::move(m_queued.begin(), m_queued.end(), std::back_inserter(all));
            m_queued.clear();
        }
        std::sort(all.begin(), all.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<Value> taken;
        taken.reserve(all.size());
        for (auto& entry : all) {
            taken.push_back(std::move(entry.second));
        }
        return taken;
    }
    // Empties the mailbox and counts drops anew.
    void Clear() {
        const std::lock_guard lock(m_mutex);
        m_latest.clear();
        m_queued.clear();
        m_dropped = 0;
        m_wake.Clear();
    }
    std::uint64_t Dropped() const {
        const std::lock_guard lock(m_mutex);
        return m_dropped;
    }

private:
    const std::size_t m_maxKeys;
    const std::size_t m_maxQueued;
    mutable std::mutex m_mutex;
    std::uint64_t m_sequence = 0;
    std::uint64_t m_dropped = 0;
    std::map<Key, std::pair<std::uint64_t, Value>> m_latest;
    std::deque<std::pair<std::uint64_t, Value>> m_queued;
    WakeOnce m_wake;
};
