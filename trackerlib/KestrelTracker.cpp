#include "KestrelTracker.h"

namespace kestrel {

namespace {
void Put(double* out, double value) {
    if (out)
        *out = value;
}
} // namespace

Distances KestrelTracker::DistancesOf(const TrackerDevice& device) {
    Distances distances{};
    for (int i = 0; i < TrackerDevice::kReceiverCount; ++i)
        distances[static_cast<std::size_t>(i)] = device.Count(i) * kCountToDistance;
    return distances;
}

bool KestrelTracker::GetSens(double* d0, double* d1, double* d2, double* d3) {
    if (!m_device.ReadData())
        return false;
    m_distances = DistancesOf(m_device);
    Put(d0, m_distances[0]);
    Put(d1, m_distances[1]);
    Put(d2, m_distances[2]);
    Put(d3, m_distances[3]);
    return true;
}

bool KestrelTracker::GetCoord(double* x, double* y, double* z) {
    if (!m_device.ReadData())
        return false;
    // A failed second read leaves the stored distances of an earlier report in place.
    GetSens(nullptr, nullptr, nullptr, nullptr);
    const bool evaluated =
        CoordEval(m_distances[0], m_distances[1], m_distances[2], m_distances[3]);
    Put(x, m_position.x);
    Put(y, m_position.y);
    Put(z, m_position.z);
    return evaluated;
}

bool KestrelTracker::CoordEval(double r0, double r1, double r2, double r3) {
    const std::optional<Position> position = Trilaterate({r0, r1, r2, r3});
    m_position = position.value_or(Position{});
    return position.has_value();
}

} // namespace kestrel
