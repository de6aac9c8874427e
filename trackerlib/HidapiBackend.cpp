// The platform's HID devices through hidapi. The only file that sees hidapi.
#include "HidBackend.h"
#include "ReportDescriptor.h"

#include <hidapi.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace kestrel {

namespace {

std::vector<std::uint8_t> ReadReportDescriptor([[maybe_unused]] hid_device* device,
                                               [[maybe_unused]] const std::string& path) {
#if HID_API_VERSION >= HID_API_MAKE_VERSION(0, 14, 0)
    std::vector<std::uint8_t> descriptor(HID_API_MAX_REPORT_DESCRIPTOR_SIZE);
    const int length = hid_get_report_descriptor(device, descriptor.data(), descriptor.size());
    descriptor.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return descriptor;
#elif defined(__linux__)
    // hidraw paths are /dev/hidrawN; the kernel shows the descriptor in sysfs.
    const std::filesystem::path file = std::filesystem::path("/sys/class/hidraw") /
                                       std::filesystem::path(path).filename() / "device" /
                                       "report_descriptor";
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
#else
    return {};
#endif
}

class HidapiConnection final : public HidConnection {
public:
    HidapiConnection(hid_device* device, bool carriesId)
        : m_device(device), m_carriesId(carriesId) {}
    ~HidapiConnection() override { hid_close(m_device); }
    HidapiConnection(const HidapiConnection&) = delete;
    HidapiConnection& operator=(const HidapiConnection&) = delete;

    bool ReportsCarryId() const override { return m_carriesId; }

    int Read(std::span<std::uint8_t> buffer, int timeoutMs) override {
        return hid_read_timeout(m_device, buffer.data(), buffer.size(), timeoutMs);
    }

private:
    hid_device* m_device;
    bool m_carriesId;
};

class HidapiBackend final : public HidBackend {
public:
    HidapiBackend() = default;
    ~HidapiBackend() override { hid_exit(); }
    HidapiBackend(const HidapiBackend&) = delete;
    HidapiBackend& operator=(const HidapiBackend&) = delete;

    std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendorId) override {
        std::vector<HidDeviceInfo> devices;
        hid_device_info* list = hid_enumerate(vendorId, 0);
        for (const hid_device_info* info = list; info; info = info->next)
            devices.push_back({info->path ? info->path : "", info->vendor_id, info->product_id});
        hid_free_enumeration(list);
        return devices;
    }

    std::unique_ptr<HidConnection> Open(const std::string& path) override {
        hid_device* device = hid_open_path(path.c_str());
        if (!device)
            return nullptr;
        // A device whose descriptor cannot be read is taken to send unnumbered
        // reports, the usual case for a device with a single input report.
        const std::vector<std::uint8_t> descriptor = ReadReportDescriptor(device, path);
        return std::make_unique<HidapiConnection>(device,
                                                  ReportDescriptor::DeclaresReportIds(descriptor));
    }
};

} // namespace

std::unique_ptr<HidBackend> CreateSystemHidBackend() {
    return std::make_unique<HidapiBackend>();
}

} // namespace kestrel
