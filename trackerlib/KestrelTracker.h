// The library's state and exported behaviour, one tracker per instance: the shipped
// library keeps one over hidapi, tests make their own over a fake backend.
#pragma once

#include "HidBackend.h"
#include "TrackerDevice.h"
#include "Trilateration.h"

#include <cstdint>

namespace kestrel {

class KestrelTracker {
public:
    static constexpr std::uint16_t kVersion = 0x0103;

    explicit KestrelTracker(HidBackend& backend) : m_device(backend) {}

    bool ReadData() { return m_device.ReadData(); }
    // Null outputs are skipped.
    bool GetSens(double* d0, double* d1, double* d2, double* d3);
    bool GetCoord(double* x, double* y, double* z);
    bool CoordEval(double r0, double r1, double r2, double r3);

    const Distances& StoredDistances() const { return m_distances; }
    const Position& LastPosition() const { return m_position; }
    const TrackerDevice& Device() const { return m_device; }

    static Distances DistancesOf(const TrackerDevice& device);

private:
    TrackerDevice m_device;
    Distances m_distances{};
    Position m_position{};
};

} // namespace kestrel
