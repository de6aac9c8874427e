// The Host names a server answers to: those of the address it is bound to (every local
// address when bound to all of them, "localhost" too on the loopback), so a page reached
// through a rebound name, or one of another site, is told apart by its Host or Origin.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>

class HttpHostGuard {
public:
    // "address:port", an IPv6 address in brackets.
    static QString HostText(const QHostAddress& address, quint16 port);

    // Allows the names of `address` (QHostAddress::Any and the like: every local one) at
    // `port` only, each also without the port when it is 80, as browsers send it.
    void Allow(const QHostAddress& address, quint16 port);
    void Clear() { m_hosts.clear(); }
    // "host:port" texts a request's Host may carry.
    const QStringList& Hosts() const { return m_hosts; }

    bool HostAllowed(const QByteArray& host) const;
    // An http:// origin naming an allowed host.
    bool OriginAllowed(const QByteArray& origin) const;

private:
    QStringList m_hosts;
};
