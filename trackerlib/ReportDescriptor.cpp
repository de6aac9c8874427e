#include "ReportDescriptor.h"

#include <cstddef>

namespace kestrel {

namespace {
constexpr std::uint8_t kLongItemPrefix = 0xFE;
// Global item, tag 8, with its size bits masked off.
constexpr std::uint8_t kReportIdItem = 0x84;
} // namespace

bool ReportDescriptor::DeclaresReportIds(std::span<const std::uint8_t> descriptor) {
    std::size_t at = 0;
    while (at < descriptor.size()) {
        const std::uint8_t prefix = descriptor[at];
        if (prefix == kLongItemPrefix) {
            if (at + 1 >= descriptor.size())
                return false;
            at += 3 + std::size_t{descriptor[at + 1]};
            continue;
        }
        if ((prefix & 0xFC) == kReportIdItem)
            return true;
        constexpr std::size_t kDataSizes[] = {0, 1, 2, 4};
        at += 1 + kDataSizes[prefix & 0x03];
    }
    return false;
}

} // namespace kestrel
