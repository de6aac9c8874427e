// Finds the tracker among the HID devices, reads its input reports with a time-out and
// forgets it when it stops answering, so that the next read searches again.
#pragma once

#include "HidBackend.h"
#include "HidConnection.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kestrel {

class TrackerDevice {
public:
    static constexpr std::uint16_t kVendorId = 0x1295;
    static constexpr int kReadTimeoutMs = 6000;
    // Report id and four 16-bit counts; whatever the device sends after them is ignored.
    static constexpr std::size_t kReportLength = 9;
    static constexpr int kReceiverCount = 4;

    explicit TrackerDevice(HidBackend& backend) : m_backend(backend) {}

    static bool Matches(const HidDeviceInfo& info);

    // True when a fresh report is in Report(). With no tracker open it searches first
    // and returns false at once when none is found.
    bool ReadData();

    bool IsPresent() const { return m_connection != nullptr; }
    // The last report, always with the report-id byte at offset 0.
    const std::array<std::uint8_t, kReportLength>& Report() const { return m_report; }
    std::uint16_t Count(int receiver) const;

private:
    bool Search();
    void Lose() { m_connection.reset(); }

    HidBackend& m_backend;
    std::unique_ptr<HidConnection> m_connection;
    std::array<std::uint8_t, kReportLength> m_report{};
};

} // namespace kestrel
