// A stand-in for the tracker library with the same five exports, whose positions the tests
// script through a few extra exports. It counts how many threads are inside it at once,
// and its reads can be held, as a silent tracker holds them, until the test lets them go.
// Built again without one entry (STANDIN_WITHOUT_*) for the binding tests.
//
// Outside the tests, KESTREL_STANDIN=circle makes it carry the source round a circle and
// KESTREL_STANDIN=silent holds every read for good, for runs of the real program.
#include "Kestrel32Dll.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace {

struct Position {
    double x, y, z;
};

struct Script {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Position> positions;
    bool holdReads = false;
    int heldReads = 0;
    int inside = 0;
    int mostInside = 0;
    bool circle = false;
    int step = 0;
};

Script& TheScript() {
    static Script script;
    static const bool configured = [] {
        if (const char* mode = std::getenv("KESTREL_STANDIN")) {
            script.circle = std::strcmp(mode, "circle") == 0;
            script.holdReads = std::strcmp(mode, "silent") == 0;
        }
        return true;
    }();
    static_cast<void>(configured);
    return script;
}

class Inside {
public:
    Inside() : m_script(TheScript()) {
        const std::lock_guard guard(m_script.lock);
        m_script.mostInside = std::max(m_script.mostInside, ++m_script.inside);
    }
    ~Inside() {
        const std::lock_guard guard(m_script.lock);
        --m_script.inside;
    }
    Inside(const Inside&) = delete;
    Inside& operator=(const Inside&) = delete;

private:
    Script& m_script;
};

} // namespace

extern "C" {

#ifndef STANDIN_WITHOUT_READDATA
KESTREL_API bool ReadData(void) {
    const Inside inside;
    Script& script = TheScript();
    std::unique_lock lock(script.lock);
    if (script.holdReads) {
        ++script.heldReads;
        script.changed.notify_all();
        script.changed.wait(lock, [&script] { return !script.holdReads; });
        --script.heldReads;
        return false; // as a read that timed out
    }
    if (script.circle) {
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return true;
    }
    return !script.positions.empty();
}
#endif

#ifndef STANDIN_WITHOUT_GETSENS
KESTREL_API bool GetSens(double*, double*, double*, double*) {
    const Inside inside;
    return false; // never called by the program
}
#endif

#ifndef STANDIN_WITHOUT_GETCOORD
KESTREL_API bool GetCoord(double* x, double* y, double* z) {
    const Inside inside;
    Script& script = TheScript();
    const std::lock_guard guard(script.lock);
    if (script.circle) {
        const double angle = script.step++ * 0.3;
        *x = 15.0 + 12.0 * std::cos(angle);
        *y = 15.0 + 12.0 * std::sin(angle);
        *z = 37.5 + 20.0 * std::sin(angle / 3.0);
        return true;
    }
    if (script.positions.empty()) {
        return false;
    }
    const Position next = script.positions.front();
    script.positions.pop_front();
    *x = next.x;
    *y = next.y;
    *z = next.z;
    return true;
}
#endif

KESTREL_API bool CoordEval(double, double, double, double) {
    const Inside inside;
    return false;
}

KESTREL_API uint16_t GetKestrelVersion(void) {
    return 0x0103;
}

// The test's side.

KESTREL_API void StandInReset(void) {
    Script& script = TheScript();
    const std::lock_guard guard(script.lock);
    script.positions.clear();
    script.mostInside = script.inside;
}

// One report: the next GetCoord returns it.
KESTREL_API void StandInPush(double x, double y, double z) {
    Script& script = TheScript();
    const std::lock_guard guard(script.lock);
    script.positions.push_back({x, y, z});
}

KESTREL_API int StandInPending(void) {
    Script& script = TheScript();
    const std::lock_guard guard(script.lock);
    return static_cast<int>(script.positions.size());
}

// While held, every read waits; letting go ends the waiting reads with false.
KESTREL_API void StandInHoldReads(bool hold) {
    Script& script = TheScript();
    {
        const std::lock_guard guard(script.lock);
        script.holdReads = hold;
    }
    script.changed.notify_all();
}

KESTREL_API int StandInHeldReads(void) {
    Script& script = TheScript();
    const std::lock_guard guard(script.lock);
    return script.heldReads;
}

KESTREL_API int StandInMostInsideAtOnce(void) {
    Script& script = TheScript();
    const std::lock_guard guard(script.lock);
    return script.mostInside;
}
}
