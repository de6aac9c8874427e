// Announces the OSCQuery server (_oscjson._tcp) and the OSC receiver (_osc._udp) on the local
// network through the Avahi daemon on the system bus, and withdraws them. Every call to the
// daemon is asynchronous and asks the bus not to start one: where none runs, or there is no
// system bus, nothing happens and nothing waits.
#pragma once

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>

class CAvahiAnnouncer : public QObject {
    Q_OBJECT

public:
    explicit CAvahiAnnouncer(QObject* parent = nullptr);
    ~CAvahiAnnouncer() override;

    // Withdraws what was announced before, then announces `name` on both ports.
    void Announce(const QString& name, quint16 httpPort, quint16 oscPort);
    void Withdraw();
    // Whether the daemon took the announcement.
    bool Announced() const { return !m_group.path().isEmpty(); }

    // The daemon's calls, as sent.
    static QDBusMessage EntryGroupNewCall();
    static QDBusMessage AddServiceCall(const QDBusObjectPath& group, const QString& name,
                                       const QString& type, quint16 port);
    static QDBusMessage GroupCall(const QDBusObjectPath& group, const QString& method);

signals:
    void announced();

private:
    void OnGroup(const QDBusObjectPath& group, int generation);

    QDBusObjectPath m_group;
    // Announce and Withdraw count up, so a group arriving after either is freed at once.
    int m_generation = 0;
    QString m_name;
    quint16 m_httpPort = 0;
    quint16 m_oscPort = 0;
};
