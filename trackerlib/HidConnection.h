// One open HID device as the tracker logic sees it: input reports read with a time-out.
#pragma once

#include <cstdint>
#include <span>

namespace kestrel {

class HidConnection {
public:
    virtual ~HidConnection() = default;

    // Whether every input report starts with a report-id byte (the device declares
    // numbered reports); unnumbered reports arrive without it.
    virtual bool ReportsCarryId() const = 0;

    // Reads one input report into buffer: its length in bytes (cut to the buffer),
    // 0 when none arrived within timeoutMs, negative when the device failed.
    virtual int Read(std::span<std::uint8_t> buffer, int timeoutMs) = 0;
};

} // namespace kestrel
