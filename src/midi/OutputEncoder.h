// Turns port events into complete wire messages: short messages get exactly the length
// their status byte calls for, and SysEx bytes handed over one event at a time are
// collected until F7 so a message only ever goes out whole.
#pragma once

#include "midi/PortEvent.h"

#include <cstdint>
#include <vector>

class OutputEncoder {
public:
    // A message longer than this is not a command the processor knows; the run is dropped.
    static constexpr std::size_t kMaxSysExLength = 4096;

    // Feeds one event. Returns true with `message` filled when a whole message is ready to go
    // out; false when the event was absorbed into a SysEx run or dropped as malformed.
    bool Encode(const PortEvent& event, std::vector<std::uint8_t>& message);

    // Drops a SysEx run in progress (the port was reset or closed).
    void Reset() { m_sysEx.clear(); }
    bool SysExInProgress() const { return !m_sysEx.empty(); }

private:
    std::vector<std::uint8_t> m_sysEx;
};
