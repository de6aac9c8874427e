#include "midi/qt/CMidiDeviceWatcher.h"

CMidiDeviceWatcher::CMidiDeviceWatcher(MidiBackend& backend, QObject* parent)
    : QObject(parent), m_backend(backend) {
    m_backend.SetDeviceNotify(this);
}

CMidiDeviceWatcher::~CMidiDeviceWatcher() {
    m_backend.SetDeviceNotify(nullptr); // waits for a notification in progress
}

void CMidiDeviceWatcher::DevicesChanged() {
    if (m_pending.exchange(true)) {
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_pending = false;
            emit devicesChanged();
        },
        Qt::QueuedConnection);
}
