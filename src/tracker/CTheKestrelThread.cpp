#include "tracker/CTheKestrelThread.h"

#include "handoff/UiWake.h"
#include "tracker/CTrackerLibrary.h"

#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

// What all workers share: whose turn it is in the library, and the libraries of workers
// that were let go. It is never destroyed, because a worker that was let go may still
// use it while the process exits.
struct Turn {
    std::mutex lock;
    std::condition_variable changed;
    bool taken = false;
    int leftInLibrary = 0;
    std::vector<std::unique_ptr<CTrackerLibrary>> keptLoaded;
};

Turn& TheTurn() {
    static Turn* turn = new Turn;
    return *turn;
}

} // namespace

struct CTheKestrelThread::State {
    std::unique_ptr<CTrackerLibrary> library; // the worker's alone once it runs

    // Under TheTurn().lock.
    bool running = true;
    bool unloading = false;
    bool ended = false;
    bool letGo = false;

    // One slot: the newest activity and position, the position kept until taken.
    LatestMailbox<int, Report> mailbox{1, 0};
    std::shared_ptr<const WakeCounter> wake;

    void Put(Activity activity, std::optional<PadPosition> position = std::nullopt) {
        const bool wakeNeeded =
            mailbox.PutLatest(0, Report{activity, position}, [](Report& waiting, Report&& newer) {
                waiting.activity = newer.activity;
                if (newer.position) {
                    waiting.position = newer.position;
                }
            });
        if (wakeNeeded) {
            wake->Wake();
        }
    }
};

CTheKestrelThread::CTheKestrelThread(std::unique_ptr<CTrackerLibrary> library,
                                     std::shared_ptr<const WakeCounter> wake)
    : m_state(std::make_shared<State>()) {
    m_state->library = std::move(library);
    m_state->wake = std::move(wake);
    m_thread = std::thread(&CTheKestrelThread::Run, m_state);
}

CTheKestrelThread::~CTheKestrelThread() {
    Stop();
    Finish(kFinishBound);
}

void CTheKestrelThread::Stop() {
    Turn& turn = TheTurn();
    {
        const std::lock_guard guard(turn.lock);
        m_state->running = false;
    }
    turn.changed.notify_all();
}

bool CTheKestrelThread::HasEnded() const {
    const std::lock_guard guard(TheTurn().lock);
    return m_state->ended;
}

bool CTheKestrelThread::Finish(std::chrono::milliseconds bound) {
    if (!m_thread.joinable()) {
        return true;
    }
    Stop();
    Turn& turn = TheTurn();
    std::unique_lock lock(turn.lock);
    // Unloading is past the library's calls and quick, so it is worth the wait.
    turn.changed.wait_for(lock, bound, [this] { return m_state->ended || m_state->unloading; });
    if (m_state->ended || m_state->unloading) {
        lock.unlock();
        m_thread.join();
        return true;
    }
    m_state->letGo = true;
    ++turn.leftInLibrary;
    lock.unlock();
    m_thread.detach();
    return false;
}

CTheKestrelThread::Report CTheKestrelThread::TakeReport() {
    Report report{m_lastActivity, std::nullopt};
    for (const Report& waiting : m_state->mailbox.Take()) {
        report = waiting;
    }
    m_lastActivity = report.activity;
    return report;
}

bool CTheKestrelThread::AnyLeftInLibrary() {
    Turn& turn = TheTurn();
    const std::lock_guard guard(turn.lock);
    return turn.leftInLibrary > 0;
}

namespace {

CTheKestrelThread::Activity ActivityAfter(CTrackerLibrary::PollResult result) {
    using Result = CTrackerLibrary::PollResult;
    return result == Result::NoReport || result == Result::NotBound
               ? CTheKestrelThread::Activity::NoTracker
               : CTheKestrelThread::Activity::Tracking;
}

} // namespace

void CTheKestrelThread::Run(std::shared_ptr<State> state) {
    Turn& turn = TheTurn();
    std::unique_lock lock(turn.lock);

    if (turn.taken && state->running) {
        state->Put(Activity::WaitingForTurn);
    }
    turn.changed.wait(lock, [&] { return !turn.taken || !state->running; });
    const bool hadTurn = state->running;
    if (hadTurn) {
        turn.taken = true;
        state->Put(Activity::Searching);
    }
    Activity activity = Activity::Searching;
    while (state->running) {
        // The pause between polls; a stop cuts it short.
        turn.changed.wait_for(lock, kPause, [&] { return !state->running; });
        if (!state->running) {
            break;
        }
        lock.unlock();
        PadPosition position;
        const CTrackerLibrary::PollResult result =
            state->library->Poll(position.x, position.y, position.z);
        const Activity before = activity;
        activity = ActivityAfter(result);
        const bool moved = result == CTrackerLibrary::PollResult::Moved;
        if (moved || activity != before) {
            state->Put(activity, moved ? std::optional(position) : std::nullopt);
        }
        lock.lock();
    }

    if (hadTurn) {
        turn.taken = false;
    }
    if (state->letGo) {
        // The process may be exiting around this thread: leave the library loaded and
        // touch nothing but the turn.
        turn.keptLoaded.push_back(std::move(state->library));
        --turn.leftInLibrary;
        state->ended = true;
        turn.changed.notify_all();
        return;
    }
    state->unloading = true;
    turn.changed.notify_all();
    lock.unlock();
    state->library.reset();
    lock.lock();
    state->ended = true;
    turn.changed.notify_all();
}
