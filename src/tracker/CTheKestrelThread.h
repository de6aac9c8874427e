// The tracker worker of one switch-on: it owns a bound tracker library, polls it every
// 120 ms or more and leaves each new position, with what it is doing, in a mailbox that
// the user-interface thread empties once woken. The worker never touches anything of the
// window: it only wakes a counter it shares, which stays valid however long it runs.
//
// Only one worker at a time calls into the tracker library, which keeps module-wide state:
// a worker started while an earlier one is still inside it waits for its turn. A worker
// stuck in a read of a silent tracker (up to three report time-outs) cannot be
// interrupted; Finish() waits for it only a short while and then lets it run out on its
// own, keeping the library loaded, so the caller never hangs.
#pragma once

#include "handoff/Mailbox.h"

#include <chrono>
#include <memory>
#include <optional>
#include <thread>

class CTrackerLibrary;
class WakeCounter;

class CTheKestrelThread {
public:
    static constexpr std::chrono::milliseconds kPause{120};
    static constexpr std::chrono::milliseconds kFinishBound{250};

    enum class Activity {
        WaitingForTurn, // an earlier worker is still inside the library
        Searching,      // running, nothing heard yet
        NoTracker,      // the last poll got no report
        Tracking,       // the last poll got a report
    };

    struct PadPosition {
        double x = 0.0;
        double y = 0.0;
        double z = 0.0;
    };

    struct Report {
        Activity activity = Activity::Searching;
        std::optional<PadPosition> position; // the newest not yet taken
    };

    // Starts the worker on a bound library, which it unloads when it ends. The worker
    // wakes `wake` when the mailbox has something new and no wake is pending.
    CTheKestrelThread(std::unique_ptr<CTrackerLibrary> library,
                      std::shared_ptr<const WakeCounter> wake);
    // Stops the worker and finishes it within kFinishBound.
    ~CTheKestrelThread();

    CTheKestrelThread(const CTheKestrelThread&) = delete;
    CTheKestrelThread& operator=(const CTheKestrelThread&) = delete;

    // Clears the running flag and wakes the pause; returns at once. The worker leaves
    // after the poll in progress, if any, has returned.
    void Stop();
    bool HasEnded() const;
    // Stops the worker and waits at most `bound` for it to end. True when it ended (and was
    // joined); false when it is still inside the library and was let go.
    bool Finish(std::chrono::milliseconds bound);

    // Empties the mailbox; user-interface thread. The activity is the newest known.
    Report TakeReport();

    // True while a worker that was let go is still inside the library: the process must
    // then end without running the library's own teardown under it.
    static bool AnyLeftInLibrary();

private:
    struct State;
    static void Run(std::shared_ptr<State> state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
    Activity m_lastActivity = Activity::Searching; // the user-interface thread's
};
