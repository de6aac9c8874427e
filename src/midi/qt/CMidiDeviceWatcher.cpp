#include "midi/qt/CMidiDeviceWatcher.h"

#include "handoff/UiWake.h"

CMidiDeviceWatcher::CMidiDeviceWatcher(MidiBackend& backend, QObject* parent)
    : QObject(parent), m_backend(backend), m_wake(new CUiWake(this)) {
    connect(m_wake, &CUiWake::woken, this, [this] {
        m_pending.Clear();
        emit devicesChanged();
    });
    m_backend.SetDeviceNotify(this);
}

CMidiDeviceWatcher::~CMidiDeviceWatcher() {
    m_backend.SetDeviceNotify(nullptr); // waits for a notification in progress
}

void CMidiDeviceWatcher::DevicesChanged() {
    if (m_pending.Request()) {
        m_wake->Wake();
    }
}
