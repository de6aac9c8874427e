#include "midi/qt/CMaxMidiInWnd.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

// The one event type that carries "input is waiting" across to the user-interface thread.
const QEvent::Type kInputWaitingEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

} // namespace

CMaxMidiInWnd::CMaxMidiInWnd(MidiBackend& backend, QObject* parent)
    : QObject(parent), m_backend(backend) {
    setObjectName(QStringLiteral("CMaxMidiInWnd"));
}

CMaxMidiInWnd::~CMaxMidiInWnd() {
    Close();
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
    // Called on the backend's thread: only post, touch nothing else.
    QCoreApplication::postEvent(this, new QEvent(kInputWaitingEvent));
}

void CMaxMidiInWnd::DrainInput() {
    if (!m_port.open) {
        return;
    }
    PortEvent event;
    while (m_backend.NextInput(m_port.handle, event)) {
        OnEvent(event);
    }
}

bool CMaxMidiInWnd::event(QEvent* event) {
    if (event->type() == kInputWaitingEvent) {
        DrainInput();
        return true;
    }
    return QObject::event(event);
}
