// The MIDI input port. The backend tells it, from its own thread, that input is waiting;
// it posts itself one event and drains every waiting event on the user-interface thread,
// handing each to its event hook. It knows nothing of what the events mean: a subclass of
// the program decides where they go.
#pragma once

#include "midi/MidiBackend.h"
#include "midi/MidiPortState.h"
#include "midi/PortEvent.h"

#include <QObject>

#include <atomic>
#include <cstdint>

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
    bool IsStarted() const { return m_started; }
    int Device() const { return m_port.device; }
    const char* Description() const { return m_port.description; }
    MidiBackend& Backend() const { return m_backend; }

    // Drains every waiting event into OnEvent; what the notification does.
    void DrainInput();

protected:
    // The event hook: called once per received event on the user-interface thread.
    virtual int OnEvent(const PortEvent& event);

    bool event(QEvent* event) override;

private:
    void InputWaiting() override;

    MidiBackend& m_backend;
    MidiPortState m_port;
    QObject* m_parentWindow = nullptr;
    bool m_started = false;
};
