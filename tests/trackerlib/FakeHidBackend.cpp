#include "FakeHidBackend.h"

#include <algorithm>

namespace {

class FakeConnection final : public kestrel::HidConnection {
public:
    FakeConnection(FakeHidBackend& backend, FakeHidBackend::Device& device)
        : m_backend(backend), m_device(device) {
        ++m_backend.openConnections;
    }
    ~FakeConnection() override { --m_backend.openConnections; }
    FakeConnection(const FakeConnection&) = delete;
    FakeConnection& operator=(const FakeConnection&) = delete;

    bool ReportsCarryId() const override { return m_device.carriesId; }

    int Read(std::span<std::uint8_t> buffer, int timeoutMs) override {
        ++m_backend.reads;
        m_backend.timeouts.push_back(timeoutMs);
        if (m_device.replies.empty())
            return 0;
        FakeHidBackend::Reply reply = std::move(m_device.replies.front());
        m_device.replies.pop_front();
        if (reply.result <= 0)
            return reply.result;
        const std::size_t length = std::min(reply.bytes.size(), buffer.size());
        std::copy_n(reply.bytes.begin(), length, buffer.begin());
        return static_cast<int>(length);
    }

private:
    FakeHidBackend& m_backend;
    FakeHidBackend::Device& m_device;
};

} // namespace

FakeHidBackend::Reply FakeHidBackend::Report(std::initializer_list<std::uint16_t> counts,
                                             bool withId) {
    std::vector<std::uint8_t> bytes;
    if (withId)
        bytes.push_back(7);
    for (std::uint16_t count : counts) {
        bytes.push_back(static_cast<std::uint8_t>(count & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(count >> 8));
    }
    return Bytes(std::move(bytes));
}

FakeHidBackend::Reply FakeHidBackend::Bytes(std::vector<std::uint8_t> bytes) {
    const int length = static_cast<int>(bytes.size());
    return {length, std::move(bytes)};
}

FakeHidBackend::Device& FakeHidBackend::Add(std::uint16_t vendorId, std::uint16_t productId) {
    const std::string path = "/dev/fake" + std::to_string(devices.size());
    return devices.emplace_back(Device{{path, vendorId, productId}, true, false, {}});
}

// Lists every vendor's devices whatever is asked, so that the library's own match is tested.
std::vector<kestrel::HidDeviceInfo> FakeHidBackend::Enumerate(std::uint16_t) {
    ++enumerations;
    std::vector<kestrel::HidDeviceInfo> found;
    for (const Device& device : devices)
        found.push_back(device.info);
    return found;
}

std::unique_ptr<kestrel::HidConnection> FakeHidBackend::Open(const std::string& path) {
    for (Device& device : devices) {
        if (device.info.path == path && device.opens) {
            opened.push_back(path);
            return std::make_unique<FakeConnection>(*this, device);
        }
    }
    return nullptr;
}
