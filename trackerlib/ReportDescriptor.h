// Reading a HID report descriptor far enough to know whether the device numbers its
// reports, which decides whether an input report starts with a report-id byte.
#pragma once

#include <cstdint>
#include <span>

namespace kestrel {

class ReportDescriptor {
public:
    static bool DeclaresReportIds(std::span<const std::uint8_t> descriptor);
};

} // namespace kestrel
