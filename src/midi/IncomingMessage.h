// Turns one received wire message into a port event, or nothing when it is not a complete
// short message: SysEx, running status without its status byte, truncated or over-long
// messages and data bytes with the top bit set are all dropped here.
#pragma once

#include "midi/PortEvent.h"

#include <cstddef>
#include <cstdint>
#include <optional>

inline std::optional<PortEvent> ParseIncomingMessage(const std::uint8_t* bytes, std::size_t size) {
    if (!bytes || size == 0 || size > 3) {
        return std::nullopt;
    }
    PortEvent event;
    event.status = bytes[0];
    if (ShortMessageLength(event.status) != static_cast<int>(size)) {
        return std::nullopt;
    }
    event.data1 = size > 1 ? bytes[1] : 0;
    event.data2 = size > 2 ? bytes[2] : 0;
    if (event.data1 >= 0x80 || event.data2 >= 0x80) {
        return std::nullopt;
    }
    return event;
}
