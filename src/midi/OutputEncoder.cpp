#include "midi/OutputEncoder.h"

bool OutputEncoder::Encode(const PortEvent& event, std::vector<std::uint8_t>& message) {
    if (event.status == kSysExStatus) {
        const std::uint8_t byte = event.data1;
        if (byte == kSysExStatus) {
            m_sysEx.assign(1, byte); // a new start abandons any unfinished run
            return false;
        }
        if (m_sysEx.empty()) {
            return false; // a run must begin with F0
        }
        if (byte == kSysExEnd) {
            m_sysEx.push_back(byte);
            message.swap(m_sysEx);
            m_sysEx.clear();
            return true;
        }
        if (byte >= 0x80 || m_sysEx.size() >= kMaxSysExLength) {
            m_sysEx.clear(); // interrupted or runaway: never send it half
            return false;
        }
        m_sysEx.push_back(byte);
        return false;
    }

    m_sysEx.clear(); // any other event interrupts a SysEx run
    const int length = ShortMessageLength(event.status);
    if (length == 0) {
        return false;
    }
    const std::uint8_t bytes[3] = {event.status, event.data1, event.data2};
    for (int i = 1; i < length; ++i) {
        if (bytes[i] >= 0x80) {
            return false; // a data byte with the top bit set would corrupt the stream
        }
    }
    message.assign(bytes, bytes + length);
    return true;
}
