#include "model/CueFade.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

using Doc = CControllerDoc;

constexpr double kCentre = 64; // the centre of the room on each axis
constexpr int kHighest = 127;

bool InScope(const Cue& cue, ParameterKey key) {
    const auto group = static_cast<std::size_t>(GroupOf(key));
    if (group >= Cue::kGroups || !cue.groups.test(group)) {
        return false;
    }
    return key.IsGlobal() ||
           (key.channel >= 0 && key.channel < Doc::kChannels && cue.channels.test(key.channel));
}

// Values whose steps in between mean nothing, or would reconfigure the processor at every
// step: they take the cue's value at once.
bool Switches(ParameterKey key) {
    if (GroupOf(key) == ParameterGroup::Patchbay) {
        return true;
    }
    for (int Doc::*member : {&Doc::NMatrixOutput, &Doc::Frequence, &Doc::DefaultPreset,
                             &Doc::DefaultPresetAvvio, &Doc::outMIDIPort}) {
        if (key == KeyOf(member)) {
            return true;
        }
    }
    return false;
}

// from + (to - from) * elapsed / length, rounded half away from zero in whole numbers, so
// the value never passes its end nor steps back while elapsed grows.
int Linear(int from, int to, std::int64_t elapsed, std::int64_t length) {
    const std::int64_t scaled = static_cast<std::int64_t>(to - from) * elapsed;
    const std::int64_t half = length / 2;
    const std::int64_t step = scaled >= 0 ? (scaled + half) / length : -((-scaled + half) / length);
    return from + static_cast<int>(step);
}

struct Polar {
    double azimuth; // radians, clockwise from the front
    double distance;
};

Polar PolarOf(int x, int y) {
    const double dx = x - kCentre;
    const double dy = y - kCentre;
    return {std::atan2(dx, dy), std::hypot(dx, dy)};
}

// The point a fraction of the way around from one position to another: distance linear,
// azimuth the shorter way; a position at the centre takes the other's azimuth, so the
// source moves straight out or in.
std::pair<double, double> Around(int fromX, int fromY, int toX, int toY, double fraction) {
    Polar from = PolarOf(fromX, fromY);
    Polar to = PolarOf(toX, toY);
    if (from.distance == 0) {
        from.azimuth = to.azimuth;
    } else if (to.distance == 0) {
        to.azimuth = from.azimuth;
    }
    double turn = std::remainder(to.azimuth - from.azimuth, 2 * std::numbers::pi);
    if (turn == -std::numbers::pi) {
        turn = std::numbers::pi; // half a turn either way: always clockwise, never by chance
    }
    const double azimuth = from.azimuth + turn * fraction;
    const double distance = from.distance + (to.distance - from.distance) * fraction;
    return {kCentre + distance * std::sin(azimuth), kCentre + distance * std::cos(azimuth)};
}

int Whole(double value) {
    return std::clamp(static_cast<int>(std::lround(value)), 0, kHighest);
}

} // namespace

void CueFade::Start(const Cue& cue, const Values& from, Clock::time_point now) {
    const std::size_t count = kChannelParameters.size() * Doc::kChannels + kGlobalParameters.size();
    std::vector<int> start(count, -1);
    for (const auto& [key, value] : from) {
        start[ValueIndex(key)] = std::clamp(value, 0, kHighest);
    }
    std::vector<int> end(count, -1);
    m_tracks.clear();
    for (const auto& [key, value] : cue.values) {
        if (InScope(cue, key) && end[ValueIndex(key)] < 0) {
            // A value out of range (a damaged show file) would move past the room's edge.
            end[ValueIndex(key)] = std::clamp(value, 0, kHighest);
            m_tracks.push_back(
                {key, Motion::Straight, start[ValueIndex(key)], end[ValueIndex(key)]});
        }
    }
    std::ranges::sort(m_tracks, {}, [](const Track& t) { return ValueIndex(t.key); });

    m_length = std::chrono::milliseconds(100) * std::clamp(cue.fadeTenths, 0, Cue::kMaxFadeTenths);
    const int xRow = KeyOf(&Doc::XPosition, 0).row;
    const int yRow = KeyOf(&Doc::YPosition, 0).row;
    for (Track& track : m_tracks) {
        if (track.from < 0 || Switches(track.key)) {
            track.motion = Motion::Switch;
        } else if (cue.path == CuePath::Around &&
                   (track.key.row == xRow || track.key.row == yRow)) {
            // Around needs both axes' start and end; a lone axis moves straight.
            const bool isX = track.key.row == xRow;
            const ParameterKey other = ParameterKey::Channel(isX ? yRow : xRow, track.key.channel);
            const int otherFrom = start[ValueIndex(other)];
            const int otherTo = end[ValueIndex(other)];
            if (otherFrom >= 0 && otherTo >= 0) {
                track.motion = isX ? Motion::AroundX : Motion::AroundY;
                track.otherFrom = otherFrom;
                track.otherTo = otherTo;
            }
        }
        // A recall (fade 0) tells every value, so a scene is set whole even where the caller
        // already holds it; a fade tells only what moves.
        track.reported = m_length == Clock::duration::zero() ? -1 : track.from;
    }
    m_start = now;
    m_reached = {};
    m_running = true;
}

int CueFade::ValueAt(const Track& track, Clock::duration elapsed) const {
    if (track.motion == Motion::Switch || elapsed >= m_length) {
        return track.to;
    }
    switch (track.motion) {
    case Motion::Straight:
        return Linear(track.from, track.to, elapsed.count(), m_length.count());
    case Motion::AroundX:
    case Motion::AroundY: {
        const double fraction = std::chrono::duration<double>(elapsed) / m_length;
        if (track.motion == Motion::AroundX) {
            return Whole(
                Around(track.from, track.otherFrom, track.to, track.otherTo, fraction).first);
        }
        return Whole(Around(track.otherFrom, track.from, track.otherTo, track.to, fraction).second);
    }
    case Motion::Switch:
        break;
    }
    return track.to;
}

CueFade::Values CueFade::Step(Clock::time_point now) {
    Values changed;
    if (Done()) {
        return changed;
    }
    m_reached = std::max(m_reached, now - m_start);
    for (Track& track : m_tracks) {
        const int value = ValueAt(track, m_reached);
        if (value != track.reported) {
            track.reported = value;
            changed.emplace_back(track.key, value);
        }
    }
    // At the end every value stands at the cue's, which the last step has told.
    m_running = m_reached < m_length;
    return changed;
}

CueFade::Values CueFade::ValuesAt(Clock::time_point now) {
    return Step(now);
}

CueFade::Values CueFade::Stop(Clock::time_point now) {
    Values changed = Step(now);
    m_running = false;
    return changed;
}
