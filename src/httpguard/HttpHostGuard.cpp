#include "httpguard/HttpHostGuard.h"

#include <QNetworkInterface>

#include <algorithm>

QString HttpHostGuard::HostText(const QHostAddress& address, quint16 port) {
    const QString ip = address.protocol() == QAbstractSocket::IPv6Protocol
                           ? QStringLiteral("[%1]").arg(address.toString())
                           : address.toString();
    return QStringLiteral("%1:%2").arg(ip).arg(port);
}

void HttpHostGuard::Allow(const QHostAddress& address, quint16 port) {
    QList<QHostAddress> hosts = {address};
    if (address == QHostAddress::Any || address == QHostAddress::AnyIPv4 ||
        address == QHostAddress::AnyIPv6) {
        hosts = QNetworkInterface::allAddresses();
    }
    m_hosts.clear();
    bool loopback = false;
    for (const QHostAddress& host : hosts) {
        m_hosts << HostText(host, port);
        loopback = loopback || host.isLoopback();
    }
    if (loopback) {
        m_hosts << QStringLiteral("localhost:%1").arg(port);
    }
    if (port == 80) {
        const QStringList withPort = m_hosts;
        for (const QString& host : withPort) {
            m_hosts << host.left(host.lastIndexOf(u':'));
        }
    }
}

bool HttpHostGuard::HostAllowed(const QByteArray& host) const {
    const QString text = QString::fromLatin1(host).trimmed();
    return std::any_of(m_hosts.begin(), m_hosts.end(), [&](const QString& allowed) {
        return allowed.compare(text, Qt::CaseInsensitive) == 0;
    });
}

bool HttpHostGuard::OriginAllowed(const QByteArray& origin) const {
    const QString text = QString::fromLatin1(origin).trimmed();
    return text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) &&
           HostAllowed(text.mid(7).toLatin1());
}
