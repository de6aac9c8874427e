#include "handoff/Mailbox.h"
#include "handoff/UiWake.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

namespace {

struct Put {
    int key; // -1: queued
    int value;
};

struct MailboxCase {
    const char* name;
    std::size_t maxKeys;
    std::size_t maxQueued;
    std::vector<std::vector<Put>> batches; // a Take after each
    std::vector<std::vector<int>> taken;
    std::vector<int> wakes; // puts per batch that asked for a wake
    std::uint64_t dropped;
};

} // namespace

TEST(Mailbox, KeepsTheNewestPerKeyCommandsInOrderAndCountsDrops) {
    const MailboxCase cases[] = {
        {"newest of a key wins and moves to the end",
         4,
         4,
         {{{1, 10}, {2, 20}, {1, 11}}},
         {{20, 11}},
         {1},
         0},
        {"commands keep their order among the values",
         4,
         4,
         {{{-1, 1}, {1, 10}, {-1, 2}}},
         {{1, 10, 2}},
         {1},
         0},
        {"a full queue drops and counts",
         4,
         2,
         {{{-1, 1}, {-1, 2}, {-1, 3}, {1, 10}}},
         {{1, 2, 10}},
         {1},
         1},
        {"a new key past the bound drops, a known one still updates",
         2,
         2,
         {{{1, 10}, {2, 20}, {3, 30}, {1, 11}}},
         {{20, 11}},
         {1},
         1},
        {"one wake per batch, another after each take",
         4,
         4,
         {{{1, 1}, {-1, 2}}, {}, {{2, 3}, {2, 4}}},
         {{1, 2}, {}, {4}},
         {1, 0, 1},
         0},
    };
    for (const MailboxCase& c : cases) {
        SCOPED_TRACE(c.name);
        LatestMailbox<int, int> mailbox(c.maxKeys, c.maxQueued);
        for (std::size_t b = 0; b < c.batches.size(); ++b) {
            int wakes = 0;
            for (const Put& put : c.batches[b]) {
                wakes += put.key < 0 ? mailbox.PutQueued(put.value)
                                     : mailbox.PutLatest(put.key, put.value);
            }
            EXPECT_EQ(wakes, c.wakes[b]) << "batch " << b;
            EXPECT_EQ(mailbox.Take(), c.taken[b]) << "batch " << b;
        }
        EXPECT_EQ(mailbox.Dropped(), c.dropped);
    }
}

// A producer flooding while the consumer drains: whatever the timing, the FIFO hands out
// every value it kept, in order, counts every other as dropped, and the mailbox ends on
// the newest value of every key.
TEST(Mailbox, AFloodWhileDrainingLosesNothingWithinTheBound) {
    constexpr int kValues = 200000;
    constexpr int kKeys = 8;
    SpscFifo<int, 256> fifo;
    LatestMailbox<int, int> mailbox(kKeys, 0);
    std::atomic<bool> done{false};
    std::thread producer([&] {
        for (int n = 0; n < kValues; ++n) {
            fifo.Push(n);
            mailbox.PutLatest(n % kKeys, n);
        }
        done = true;
    });
    int lastFromFifo = -1;
    std::uint64_t fromFifo = 0;
    std::array<int, kKeys> newest{};
    newest.fill(-1);
    const auto drain = [&] {
        for (int got = 0; fifo.Pop(got); ++fromFifo) {
            EXPECT_GT(got, lastFromFifo);
            lastFromFifo = got;
        }
        for (const int value : mailbox.Take()) {
            EXPECT_GT(value, newest[static_cast<std::size_t>(value % kKeys)]);
            newest[static_cast<std::size_t>(value % kKeys)] = value;
        }
    };
    while (!done) {
        drain();
    }
    producer.join();
    drain();
    EXPECT_EQ(fromFifo + fifo.Dropped(), std::uint64_t{kValues});
    for (int key = 0; key < kKeys; ++key) {
        EXPECT_EQ(newest[static_cast<std::size_t>(key)], kValues - kKeys + key);
    }
}

TEST(UiWake, ABurstOfWakesFromAnotherThreadWakesOnce) {
    CUiWake wake;
    int woken = 0;
    QObject::connect(&wake, &CUiWake::woken, [&woken] { ++woken; });
    std::thread([&wake] {
        for (int n = 0; n < 100; ++n) {
            wake.Wake();
        }
    }).join();
    QElapsedTimer waited;
    waited.start();
    while (woken == 0 && waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(woken, 1);
}
