// The HID system as the tracker logic sees it: a list of present devices and a way to
// open one. hidapi serves the shipped library; tests serve a fake.
#pragma once

#include "HidConnection.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrel {

struct HidDeviceInfo {
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;

    // Present devices in the system's enumeration order; vendorId 0 lists every vendor.
    virtual std::vector<HidDeviceInfo> Enumerate(std::uint16_t vendorId) = 0;
    // nullptr when the device cannot be opened.
    virtual std::unique_ptr<HidConnection> Open(const std::string& path) = 0;
};

// The backend of the platform the library was built for.
std::unique_ptr<HidBackend> CreateSystemHidBackend();

} // namespace kestrel
