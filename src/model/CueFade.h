// The fade that recalls a cue: from the values the document holds when the cue fires to the
// cue's values, over the cue's fade time. It reads no clock: the caller passes the time of
// each step, so the program drives it from a timer and tests from a clock of their own.
#pragma once

#include "model/Cue.h"

#include <chrono>
#include <utility>
#include <vector>

class CueFade {
public:
    using Clock = std::chrono::steady_clock;
    using Values = std::vector<std::pair<ParameterKey, int>>;

    // Starts a fade to the cue's values from `from` (the document's values, or the values a
    // running fade reached), replacing any running fade. Values of the cue that `from` lacks
    // switch at the start.
    void Start(const Cue& cue, const Values& from, Clock::time_point now);
    // The values that changed since the previous call, in the document's order of values.
    // A fade of 0 gives every value of the cue's scope at its first call.
    Values ValuesAt(Clock::time_point now);
    // Freezes the fade where it stands at `now`: returns what changed up to then, and
    // ValuesAt gives nothing more.
    Values Stop(Clock::time_point now);
    // No fade is running: none started, a step at or after its end told the last values,
    // or it was stopped.
    bool Done() const { return !m_running; }

private:
    enum class Motion {
        Switch,   // set at the start: routes, sample rate, speaker count, presets
        Straight, // linear from start to end
        AroundX,  // a source's X and Y, in azimuth and distance about the room's centre
        AroundY,
    };
    struct Track {
        ParameterKey key;
        Motion motion = Motion::Switch;
        int from = 0;
        int to = 0;
        int reported = 0; // the value the caller holds; -1 when it must be told
        // For a source moving around: the other axis's start and end.
        int otherFrom = 0;
        int otherTo = 0;
    };

    int ValueAt(const Track& track, Clock::duration elapsed) const;
    Values Step(Clock::time_point now);

    std::vector<Track> m_tracks; // in the document's order of values
    Clock::time_point m_start;
    Clock::duration m_length{};
    Clock::duration m_reached{}; // never goes back, even when a caller's time does
    bool m_running = false;
};
