#include "oscquery/CAvahiAnnouncer.h"

#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Avahi");
constexpr int kAnyInterface = -1;
constexpr int kAnyProtocol = -1;

QDBusMessage Call(const QString& path, const QString& interface, const QString& method) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, path, interface, method);
    call.setAutoStartService(false); // a daemon that is not running stays so
    return call;
}

void SendAndForget(const QDBusMessage& call) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected()) {
        bus.asyncCall(call);
    }
}

} // namespace

CAvahiAnnouncer::CAvahiAnnouncer(QObject* parent) : QObject(parent) {}

CAvahiAnnouncer::~CAvahiAnnouncer() {
    Withdraw();
}

QDBusMessage CAvahiAnnouncer::EntryGroupNewCall() {
    return Call(QStringLiteral("/"), QStringLiteral("org.freedesktop.Avahi.Server"),
                QStringLiteral("EntryGroupNew"));
}

QDBusMessage CAvahiAnnouncer::AddServiceCall(const QDBusObjectPath& group, const QString& name,
                                             const QString& type, quint16 port) {
    qDBusRegisterMetaType<QList<QByteArray>>(); // the TXT records, "aay"
    QDBusMessage call = GroupCall(group, QStringLiteral("AddService"));
    call << kAnyInterface << kAnyProtocol << 0u << name << type << QString() << QString()
         << QVariant::fromValue(port) << QVariant::fromValue(QList<QByteArray>());
    return call;
}

QDBusMessage CAvahiAnnouncer::GroupCall(const QDBusObjectPath& group, const QString& method) {
    return Call(group.path(), QStringLiteral("org.freedesktop.Avahi.EntryGroup"), method);
}

void CAvahiAnnouncer::Announce(const QString& name, quint16 httpPort, quint16 oscPort) {
    Withdraw();
    m_name = name;
    m_httpPort = httpPort;
    m_oscPort = oscPort;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return;
    }
    const int generation = m_generation;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(EntryGroupNewCall()), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (!reply.isError()) {
            OnGroup(reply.value(), generation);
        }
    });
}

void CAvahiAnnouncer::OnGroup(const QDBusObjectPath& group, int generation) {
    if (generation != m_generation) {
        SendAndForget(GroupCall(group, QStringLiteral("Free"))); // withdrawn meanwhile
        return;
    }
    m_group = group;
    // The bus keeps their order, so the commit follows both services.
    SendAndForget(AddServiceCall(group, m_name, QStringLiteral("_oscjson._tcp"), m_httpPort));
    SendAndForget(AddServiceCall(group, m_name, QStringLiteral("_osc._udp"), m_oscPort));
    SendAndForget(GroupCall(group, QStringLiteral("Commit")));
    emit announced();
}

void CAvahiAnnouncer::Withdraw() {
    ++m_generation;
    if (!m_group.path().isEmpty()) {
        SendAndForget(GroupCall(m_group, QStringLiteral("Free")));
        m_group = QDBusObjectPath();
    }
}
