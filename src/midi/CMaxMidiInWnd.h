// The MIDI input port. The backend tells it, from its own thread, that input is waiting;
// it posts itself one event and drains every waiting event on the user-interface thread,
// handing each to its event hook.
#pragma once

#include "MidiBackend.h"
#include "MidiPortState.h"
#include "PortEvent.h"

#include <QObject>

#include <atomic>
#include <cstdint>

class CMaxMidiInWnd : public QObject, public MidiInputNotify {
    Q_OBJECT
public:
    explicit CMaxMidiInWnd(QObject* parent = nullptr);
    ~CMaxMidiInWnd() override;

    // Makes the port a hidden child of the window it belongs to.
    void Create(QObject* parentWindow);
    bool Open(int device, std::uint32_t option);
    void Close();
    void Start();
    void Stop();

    bool IsOpen() const { return m_port.open; }
    bool IsStarted() const { return m_started; }
    int Device() const { return m_port.device; }
    const char* Description() const { return m_port.description; }

    // Drains every waiting event into OnEvent; what the notification does.
    void DrainInput();

protected:
    // The event hook: called once per received event on the user-interface thread.
    virtual int OnEvent(const PortEvent& event);

    bool event(QEvent* event) override;

private:
    void InputWaiting() override;

    MidiPortState m_port;
    QObject* m_parentWindow = nullptr;
    bool m_started = false;
};
