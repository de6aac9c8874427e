// The MIDI input port. The backend tells it, from its own thread (for JACK the real-time
// process thread), that input is waiting: that only wakes the user-interface thread, which
// neither locks nor allocates nor blocks. The user-interface thread wakes on the counter and
// drains the waiting events into the event hook, a few milliseconds at a time so that a
// flood of input never holds the window. It knows nothing of what the events mean: a subclass of
// the program decides where they go.
#pragma once

#include "midi/MidiBackend.h"
#include "midi/MidiPortState.h"
#include "midi/PortEvent.h"

#include <QObject>

#include <cstdint>

class CUiWake;

class CMaxMidiInWnd : public QObject, public MidiInputNotify {
    Q_OBJECT
public:
    explicit CMaxMidiInWnd(MidiBackend& backend, QObject* parent = nullptr);
    ~CMaxMidiInWnd() override;

    // Makes the port a hidden child of the window it belongs to.
    void Create(QObject* parentWindow);
    MidiResult Open(int device, std::uint32_t option);
    void Close();
    void Start();
    void Stop();

    bool IsOpen() const { return m_port.open; }
    bool IsAlive() const { return m_port.open && m_backend.IsAlive(m_port.handle); }
    bool IsStarted() const { return m_started; }
    int Device() const { return m_port.device; }
    const char* Description() const { return m_port.description; }
    MidiBackend& Backend() const { return m_backend; }

    // Drains the waiting events into OnEvent until none is left or the time slice is used
    // up; then the rest follows after the window's own events. What the notification does.
    void DrainInput();

    // How long one drain may hold the user-interface thread.
    static constexpr int kDrainSliceMicroseconds = 4000;

protected:
    // The event hook: called once per received event on the user-interface thread.
    virtual int OnEvent(const PortEvent& event);
    // Called once after each drain that applied events, for a window to repaint once.
    virtual void AfterDrain() {}

private:
    void InputWaiting() override;
    void Wake();

    MidiBackend& m_backend;
    CUiWake* m_wake = nullptr;
    MidiPortState m_port;
    QObject* m_parentWindow = nullptr;
    bool m_started = false;
};
