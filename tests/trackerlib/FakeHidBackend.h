// A scripted HID system: a list of devices, each answering reads from a queue of
// replies and staying silent once the queue is empty. Counts what the logic asks of it.
#pragma once

#include "HidBackend.h"

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

class FakeHidBackend : public kestrel::HidBackend {
public:
    struct Reply {
        int result; // bytes delivered, 0 for a time-out, negative for a device failure
        std::vector<std::uint8_t> bytes;
    };

    struct Device {
        kestrel::HidDeviceInfo info;
        bool opens = true;
        bool carriesId = false;
        std::deque<Reply> replies;
    };

    // Four counts as the device sends them, with or without a leading report id.
    static Reply Report(std::initializer_list<std::uint16_t> counts, bool withId = false);
    static Reply Bytes(std::vector<std::uint8_t> bytes);
    static Reply Timeout() { return {0, {}}; }
    static Reply Failure() { return {-1, {}}; }

    Device& Add(std::uint16_t vendorId, std::uint16_t productId);

    std::vector<kestrel::HidDeviceInfo> Enumerate(std::uint16_t vendorId) override;
    std::unique_ptr<kestrel::HidConnection> Open(const std::string& path) override;

    std::deque<Device> devices;
    int enumerations = 0;
    int reads = 0;
    int openConnections = 0;
    std::vector<std::string> opened;
    std::vector<int> timeouts;
};
