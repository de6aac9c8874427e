// The output port the document sends through: opened on one device of the current
// backend, reset and closed on close and on destruction.
#pragma once

#include "MidiBackend.h"
#include "PortEvent.h"

#include <cstdint>

class CMidiOutPort {
public:
    CMidiOutPort() = default;
    ~CMidiOutPort();
    CMidiOutPort(const CMidiOutPort&) = delete;
    CMidiOutPort& operator=(const CMidiOutPort&) = delete;

    bool Open(int device, std::uint32_t option);
    void Close();
    void Reset();
    bool IsOpen() const { return m_open; }
    // A closed port takes the event and sends nothing.
    bool Put(const PortEvent& event);

    int Device() const { return m_device; }
    const char* Description() const { return m_description; }

protected:
    // Called for output notifications; a port without a window receives none.
    virtual void OnOutputEvent() {}

private:
    MidiBackend::Handle m_handle = 0;
    std::uint32_t m_option = 0;
    std::int16_t m_device = 0;
    bool m_open = false;
    char m_description[32] = {};
};
