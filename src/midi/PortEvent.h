// The 8-byte event record exchanged with the port layer: time, status, two data bytes, spare.
#pragma once

#include <cstdint>

struct PortEvent {
    std::uint32_t time = 0;
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    std::uint8_t spare = 0;
};

static_assert(sizeof(PortEvent) == 8, "PortEvent must stay the 8-byte record");

constexpr std::uint8_t kSysExStatus = 0xF0;
constexpr std::uint8_t kSysExEnd = 0xF7;

// Number of bytes a short message with this status byte occupies on the wire,
// or 0 when the status byte does not start a short message (data byte, SysEx).
constexpr int ShortMessageLength(std::uint8_t status) {
    if (status < 0x80) {
        return 0;
    }
    switch (status & 0xF0) {
    case 0xC0: // Program Change
    case 0xD0: // Channel Pressure
        return 2;
    case 0xF0:
        break;
    default:
        return 3;
    }
    switch (status) {
    case 0xF1: // MTC quarter frame
    case 0xF3: // Song Select
        return 2;
    case 0xF2: // Song Position
        return 3;
    case 0xF0:
    case 0xF7:
        return 0;
    default: // tune request and real-time bytes
        return 1;
    }
}
