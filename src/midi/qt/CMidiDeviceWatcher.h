// Brings the backend's "devices changed" from whatever thread it is told on to the
// user-interface thread as one signal; a burst of changes (a USB interface announcing its
// ports one by one) becomes one signal.
#pragma once

#include "handoff/Mailbox.h"
#include "midi/MidiBackend.h"

#include <QObject>

class CUiWake;

class CMidiDeviceWatcher : public QObject, public MidiDeviceNotify {
    Q_OBJECT
public:
    explicit CMidiDeviceWatcher(MidiBackend& backend, QObject* parent = nullptr);
    ~CMidiDeviceWatcher() override;

signals:
    void devicesChanged();

private:
    void DevicesChanged() override;

    MidiBackend& m_backend;
    CUiWake* m_wake;
    WakeOnce m_pending;
};
