// OSCQuery for the OSC control: a client on the network reads the addresses the program takes,
// with their types, ranges and current values, and listens to the values it cares about. It
// serves on the OSC receiver's address, to the hosts the receiver takes from, and only while
// the receiver listens; the document's changes, whatever made them, reach the listeners.
// Where an Avahi daemon runs and the receiver listens beyond the loopback, both ports are
// announced. Off until the Network Control window or the command line turns it on.
#pragma once

#include "oscquery/CAvahiAnnouncer.h"
#include "oscquery/COscQueryServer.h"

#include <QMetaObject>
#include <QObject>

class CControllerDoc;
class CDocumentEvents;
class CNetworkControl;

class COscQueryControl : public QObject {
    Q_OBJECT

public:
    static constexpr int kDefaultPort = 9001;

    struct Stored {
        bool enabled = false;
        int port = kDefaultPort;
    };
    static Stored Load();
    static void Save(const Stored& stored);

    // All three outlive this object.
    COscQueryControl(const CControllerDoc& doc, CDocumentEvents& events,
                     const CNetworkControl& network, QObject* parent = nullptr);
    ~COscQueryControl() override;

    // Serves as `stored` says and as the OSC receiver now listens, or stops; false with the
    // reason. Call it again whenever the receiver's settings change.
    bool Use(const Stored& stored, QString* why = nullptr);
    // Why the last Use did not serve; empty when it did, or was asked to stop.
    const QString& Failure() const { return m_failure; }
    COscQueryServer& Server() const { return *m_server; }

private:
    void Stop();

    const CNetworkControl& m_network;
    CDocumentEvents& m_events;
    COscQueryServer* m_server;
    CAvahiAnnouncer* m_avahi;
    QMetaObject::Connection m_following;
    QString m_failure;
};
