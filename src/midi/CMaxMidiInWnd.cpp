#include "CMaxMidiInWnd.h"

#include <QCoreApplication>
#include <QEvent>

#include <cstring>

namespace {

// The one event type that carries "input is waiting" across to the user-interface thread.
const QEvent::Type kInputWaitingEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

} // namespace

CMaxMidiInWnd::CMaxMidiInWnd(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("CMaxMidiInWnd"));
}

CMaxMidiInWnd::~CMaxMidiInWnd() {
    Close();
}

void CMaxMidiInWnd::Create(QObject* parentWindow) {
    m_parentWindow = parentWindow;
    setParent(parentWindow);
}

bool CMaxMidiInWnd::Open(int device, std::uint32_t option) {
    MidiBackend& backend = MidiBackend::Current();
    const std::string name = backend.InputName(device).value_or(std::string());
    std::memset(m_description, 0, sizeof m_description);
    std::memcpy(m_description, name.data(), std::min(name.size(), sizeof m_description - 1));
    if (!m_open) {
        m_option = option;
        m_device = static_cast<std::int16_t>(device);
        m_handle = backend.OpenInput(device, this, option);
        if (m_handle > MidiBackend::kFailureLimit) {
            m_open = true;
        } else {
            m_handle = 0;
        }
    }
    return m_open;
}

void CMaxMidiInWnd::Close() {
    if (m_open) {
        Stop();
        MidiBackend::Current().CloseInput(m_handle);
    }
    m_open = false;
}

void CMaxMidiInWnd::Start() {
    if (m_open) {
        m_started = true;
        MidiBackend::Current().StartInput(m_handle);
    }
}

void CMaxMidiInWnd::Stop() {
    if (m_open) {
        m_started = false;
        MidiBackend::Current().StopInput(m_handle);
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
    if (!m_open) {
        return;
    }
    PortEvent event;
    while (MidiBackend::Current().NextInput(m_handle, event)) {
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
