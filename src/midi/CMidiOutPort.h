// The output port the document sends through: opened on one device of the current
// backend, reset and closed on close and on destruction.
#pragma once

#include "MidiBackend.h"
#include "MidiPortState.h"
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
    bool IsOpen() const { return m_port.open; }
    // A closed port takes the event and sends nothing.
    bool Put(const PortEvent& event);

    int Device() const { return m_port.device; }
    const char* Description() const { return m_port.description; }

protected:
    // Called for output notifications; a port without a window receives none.
    virtual void OnOutputEvent() {}

private:
    MidiPortState m_port;
};
