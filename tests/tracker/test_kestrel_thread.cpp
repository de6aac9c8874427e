// The worker on its own: its mailbox, its prompt stop, and one thread at a time in the
// library however it is switched.
#include "StandIn.h"
#include "tracker/CTheKestrelThread.h"
#include "tracker/CTrackerLibrary.h"

#include <atomic>
#include <chrono>

namespace {

using Activity = CTheKestrelThread::Activity;
using Clock = std::chrono::steady_clock;

std::unique_ptr<CTheKestrelThread> StartWorker(std::atomic<int>* notified = nullptr) {
    auto library = std::make_unique<CTrackerLibrary>(StandIn::Path());
    EXPECT_TRUE(library->IsBound());
    return std::make_unique<CTheKestrelThread>(std::move(library), [notified] {
        if (notified) {
            ++*notified;
        }
    });
}

// Takes reports until one satisfies the condition.
bool WaitForReport(CTheKestrelThread& worker,
                   const std::function<bool(const CTheKestrelThread::Report&)>& condition,
                   CTheKestrelThread::Report* last = nullptr) {
    CTheKestrelThread::Report report;
    const bool met = WaitFor([&] {
        report = worker.TakeReport();
        return condition(report);
    });
    if (last) {
        *last = report;
    }
    return met;
}

TEST(KestrelThreadTest, LeavesNewPositionsInItsMailboxAndSaysWhetherTheTrackerAnswers) {
    StandIn standIn;
    std::atomic<int> notified = 0;
    auto worker = StartWorker(&notified);
    EXPECT_TRUE(
        WaitForReport(*worker, [](const auto& r) { return r.activity == Activity::NoTracker; }));
    standIn.Push(15.0, 15.0, 60.0);
    CTheKestrelThread::Report report;
    ASSERT_TRUE(WaitForReport(
        *worker, [](const auto& r) { return r.position.has_value(); }, &report));
    EXPECT_EQ(report.activity, Activity::Tracking);
    EXPECT_DOUBLE_EQ(report.position->x, 63.5);
    EXPECT_DOUBLE_EQ(report.position->z, 127.0);
    EXPECT_FALSE(worker->TakeReport().position) << "a position is taken once";
    EXPECT_GE(notified.load(), 2);

    const auto start = Clock::now();
    EXPECT_TRUE(worker->Finish(CTheKestrelThread::kFinishBound));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100)) << "the pause is cut short";
    EXPECT_TRUE(worker->HasEnded());
}

TEST(KestrelThreadTest, AWorkerHeldInAReadIsLetGoWithinTheBoundAndEndsLater) {
    StandIn standIn;
    standIn.HoldReads(true);
    std::atomic<int> notified = 0;
    auto worker = StartWorker(&notified);
    ASSERT_TRUE(WaitFor([&] { return standIn.HeldReads() == 1; }));

    const int before = notified.load();
    const auto start = Clock::now();
    EXPECT_FALSE(worker->Finish(std::chrono::milliseconds(50)));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_TRUE(CTheKestrelThread::AnyLeftInLibrary());

    standIn.HoldReads(false);
    EXPECT_TRUE(WaitFor([] { return !CTheKestrelThread::AnyLeftInLibrary(); }));
    EXPECT_EQ(notified.load(), before) << "nothing is reported after the stop";
}

TEST(KestrelThreadTest, ANewWorkerWaitsUntilTheStoppedOneHasLeftTheLibrary) {
    StandIn standIn;
    standIn.HoldReads(true);
    auto first = StartWorker();
    ASSERT_TRUE(WaitFor([&] { return standIn.HeldReads() == 1; }));
    first->Stop();
    auto second = StartWorker();
    EXPECT_TRUE(WaitForReport(
        *second, [](const auto& r) { return r.activity == Activity::WaitingForTurn; }));
    EXPECT_EQ(standIn.HeldReads(), 1) << "the second worker must not read yet";

    standIn.HoldReads(false);
    standIn.Push(3.0, 3.0, 30.0);
    EXPECT_TRUE(WaitForReport(*second, [](const auto& r) { return r.position.has_value(); }));
    EXPECT_TRUE(first->Finish(CTheKestrelThread::kFinishBound));

    // Quick switching back and forth, with reports flowing.
    for (int i = 0; i < 20; ++i) {
        standIn.Push(i % 2 ? 5.0 : 25.0, 5.0, 30.0);
        second->Stop();
        second = StartWorker();
    }
    second.reset();
    EXPECT_EQ(standIn.MostInsideAtOnce(), 1);
}

} // namespace
