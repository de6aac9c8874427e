#include "midi/qt/CMaxMidiInWnd.h"

#include "handoff/UiWake.h"

#include <QElapsedTimer>

CMaxMidiInWnd::CMaxMidiInWnd(MidiBackend& backend, QObject* parent)
    : QObject(parent), m_backend(backend) {
    setObjectName(QStringLiteral("CMaxMidiInWnd"));
    m_wake = new CUiWake(this);
    connect(m_wake, &CUiWake::woken, this, &CMaxMidiInWnd::DrainInput);
}

CMaxMidiInWnd::~CMaxMidiInWnd() {
    Close(); // the backend calls InputWaiting no more once the port is closed
    delete m_wake;
}

void CMaxMidiInWnd::Create(QObject* parentWindow) {
    m_parentWindow = parentWindow;
    setParent(parentWindow);
}

MidiResult CMaxMidiInWnd::Open(int device, std::uint32_t option) {
    return m_port.Open(device, option, m_backend.InputName(device),
                       [this](int n, std::uint32_t o) { return m_backend.OpenInput(n, this, o); });
}

void CMaxMidiInWnd::Close() {
    if (m_port.open) {
        Stop();
        m_backend.CloseInput(m_port.handle);
    }
    m_port.open = false;
}

void CMaxMidiInWnd::Start() {
    if (m_port.open) {
        m_started = true;
        m_backend.StartInput(m_port.handle);
    }
}

void CMaxMidiInWnd::Stop() {
    if (m_port.open) {
        m_started = false;
        m_backend.StopInput(m_port.handle);
    }
}

int CMaxMidiInWnd::OnEvent(const PortEvent&) {
    return 1;
}

void CMaxMidiInWnd::InputWaiting() {
    // Called on the backend's thread, possibly a real-time one: one non-blocking write.
    Wake();
}

void CMaxMidiInWnd::Wake() {
    m_wake->Wake();
}

void CMaxMidiInWnd::DrainInput() {
    if (!m_port.open) {
        return;
    }
    QElapsedTimer slice;
    slice.start();
    PortEvent event;
    std::size_t applied = 0;
    while (m_backend.NextInput(m_port.handle, event)) {
        OnEvent(event);
        // Looking at the clock costs more than an event; look every few hundred.
        if (++applied % 256 == 0 && slice.nsecsElapsed() > kDrainSliceMicroseconds * 1000LL) {
            Wake(); // the rest after the window's own events
            break;
        }
    }
    if (applied > 0) {
        AfterDrain();
    }
}
