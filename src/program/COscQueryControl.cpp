#include "program/COscQueryControl.h"

#include "program/CDocumentEvents.h"
#include "program/CNetworkControl.h"
#include "program/ProgramSettings.h"

#include <QSettings>

namespace {

const QString kEnabledKey = QStringLiteral("OSCQuery Enabled");
const QString kPortKey = QStringLiteral("OSCQuery Port");

} // namespace

COscQueryControl::Stored COscQueryControl::Load() {
    const QSettings store = ProgramSettings();
    Stored stored;
    stored.enabled = store.value(kEnabledKey, false).toBool();
    stored.port = store.value(kPortKey, stored.port).toInt();
    return stored;
}

void COscQueryControl::Save(const Stored& stored) {
    QSettings store = ProgramSettings();
    store.setValue(kEnabledKey, stored.enabled);
    store.setValue(kPortKey, stored.port);
}

COscQueryControl::COscQueryControl(const CControllerDoc& doc, CDocumentEvents& events,
                                   const CNetworkControl& network, QObject* parent)
    : QObject(parent), m_network(network), m_events(events),
      m_server(new COscQueryServer(doc, this)), m_avahi(new CAvahiAnnouncer(this)) {}

COscQueryControl::~COscQueryControl() {
    Stop();
}

void COscQueryControl::Stop() {
    disconnect(m_following);
    m_avahi->Withdraw();
    m_server->Stop();
}

bool COscQueryControl::Use(const Stored& stored, QString* why) {
    Stop();
    m_failure.clear();
    if (!stored.enabled) {
        return true;
    }
    const COscReceiver& receiver = m_network.Receiver();
    QString reason;
    if (stored.port < 1 || stored.port > 65535) {
        reason = QStringLiteral("the port is 1 to 65535");
    } else if (!receiver.IsListening()) {
        reason = QStringLiteral("OSC control is off");
    } else {
        const COscReceiver::Settings& osc = receiver.CurrentSettings();
        COscQueryServer::Settings settings;
        settings.address = osc.address;
        settings.port = static_cast<quint16>(stored.port);
        settings.allowedPeers = osc.allowedHosts;
        settings.oscPort = receiver.Port();
        settings.firstObject = osc.firstObject;
        if (m_server->Start(settings, &reason)) {
            m_following =
                connect(&m_events, &CDocumentEvents::changed, m_server, &COscQueryServer::Changed);
            // Announced where other computers can reach it; the loopback they cannot.
            if (!osc.address.isLoopback()) {
                m_avahi->Announce(QStringLiteral("Orbis"), m_server->Port(), receiver.Port());
            }
        }
    }
    m_failure = reason;
    if (why) {
        *why = reason;
    }
    return reason.isEmpty();
}
