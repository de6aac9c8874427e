// An output port: opened on one device of the backend it was
// made with, reset and closed on close and on destruction.
#pragma once

#include "midi/MidiBackend.h"
#include "midi/MidiPortState.h"
#include "midi/MidiResult.h"
#include "midi/PortEvent.h"

#include <cstdint>

class CMidiOutPort {
public:
    explicit CMidiOutPort(MidiBackend& backend) : m_backend(backend) {}
    ~CMidiOutPort();
    CMidiOutPort(const CMidiOutPort&) = delete;
    CMidiOutPort& operator=(const CMidiOutPort&) = delete;

    MidiResult Open(int device, std::uint32_t option);
    void Close();
    void Reset();
    bool IsOpen() const { return m_port.open; }
    // Open, and still reaching its device.
    bool IsAlive() const { return m_port.open && m_backend.IsAlive(m_port.handle); }
    // Waits until what was put has left; false when it could not (the device went away).
    bool WaitUntilSent() const { return m_port.open && m_backend.WaitUntilSent(m_port.handle); }
    // A closed port sends nothing and says so (NoDevice), so that no caller takes the event
    // as delivered.
    MidiResult Put(const PortEvent& event);

    int Device() const { return m_port.device; }
    const char* Description() const { return m_port.description; }
    MidiBackend& Backend() const { return m_backend; }

protected:
    // Called for output notifications; a port without a window receives none.
    virtual void OnOutputEvent() {}

private:
    MidiBackend& m_backend;
    MidiPortState m_port;
};
