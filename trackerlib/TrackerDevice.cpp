#include "TrackerDevice.h"

#include <algorithm>

namespace kestrel {

namespace {
// Room for a full-speed report; longer ones are cut, which only drops ignored bytes.
constexpr std::size_t kReadBufferSize = 64;
} // namespace

bool TrackerDevice::Matches(const HidDeviceInfo& info) {
    return info.vendorId == kVendorId && (info.productId & 0xFF00) == 0;
}

bool TrackerDevice::Search() {
    for (const HidDeviceInfo& info : m_backend.Enumerate(kVendorId)) {
        if (!Matches(info))
            continue;
        // One that cannot be opened does not count as found; a later match may.
        m_connection = m_backend.Open(info.path);
        if (m_connection)
            return true;
    }
    return false;
}

bool TrackerDevice::ReadData() {
    if (!IsPresent() && !Search())
        return false;

    // An unnumbered report is read in after a zero byte that stands for its report id.
    std::array<std::uint8_t, kReadBufferSize> raw{};
    const bool carriesId = m_connection->ReportsCarryId();
    const std::size_t offset = carriesId ? 0 : 1;
    const int read = m_connection->Read(std::span(raw).subspan(offset), kReadTimeoutMs);
    if (read <= 0) {
        // Silent past the time-out, or failed (unplugged): search again next time.
        Lose();
        return false;
    }
    const std::size_t length =
        std::min(static_cast<std::size_t>(read), raw.size() - offset) + offset;
    if (length < kReportLength)
        return false;
    std::copy_n(raw.begin(), kReportLength, m_report.begin());
    return true;
}

std::uint16_t TrackerDevice::Count(int receiver) const {
    const auto low = static_cast<std::size_t>(1 + 2 * receiver);
    return static_cast<std::uint16_t>(m_report[low] | (m_report[low + 1] << 8));
}

} // namespace kestrel
