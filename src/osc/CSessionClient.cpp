#include "osc/CSessionClient.h"

#include <QHostInfo>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUdpSocket>
#include <QUrl>

namespace {

constexpr int kApiMajor = 1;
constexpr int kApiMinor = 1;

QString Text(const std::string* text) {
    return text ? QString::fromStdString(*text) : QString();
}

std::string Std(const QString& text) {
    return text.toStdString();
}

bool IsThisMachine(const QHostAddress& address) {
    return address.isLoopback() || QNetworkInterface::allAddresses().contains(address);
}

} // namespace

CSessionClient::CSessionClient(const QString& url, QObject* parent) : QObject(parent) {
    const QUrl parsed(url);
    if (parsed.scheme() != QLatin1String("osc.udp") || parsed.host().isEmpty() ||
        parsed.port() <= 0) {
        m_why = QStringLiteral("NSM_URL \"%1\" is not an osc.udp:// address").arg(url);
        return;
    }
    QHostAddress manager(parsed.host());
    if (manager.isNull()) {
        const QHostInfo found = QHostInfo::fromName(parsed.host());
        for (const QHostAddress& address : found.addresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                manager = address;
                break;
            }
        }
    }
    if (manager.isNull()) {
        m_why = QStringLiteral("the session manager's host \"%1\" is unknown").arg(parsed.host());
        return;
    }
    // A manager on this machine is reached over the loopback, and the port listens nowhere
    // else; a manager elsewhere is answered on every interface, from its address only.
    const bool local = IsThisMachine(manager);
    m_manager = local ? QHostAddress(QHostAddress::LocalHost) : manager;
    m_managerPort = static_cast<quint16>(parsed.port());
    auto* socket = new QUdpSocket(this);
    if (!socket->bind(local ? QHostAddress(QHostAddress::LocalHost)
                            : QHostAddress(QHostAddress::AnyIPv4),
                      0)) {
        m_why = QStringLiteral("cannot open a port for the session manager: %1")
                    .arg(socket->errorString());
        delete socket;
        return;
    }
    m_socket = socket;
    connect(m_socket, &QUdpSocket::readyRead, this, &CSessionClient::Receive);
}

CSessionClient::~CSessionClient() = default;

QHostAddress CSessionClient::LocalAddress() const {
    return m_socket ? m_socket->localAddress() : QHostAddress();
}

quint16 CSessionClient::LocalPort() const {
    return m_socket ? m_socket->localPort() : 0;
}

void CSessionClient::Receive() {
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram(64 * 1024);
        // Only the manager's own address and port may steer the document.
        QHostAddress sender = datagram.senderAddress();
        bool isV4 = false;
        const quint32 v4 = sender.toIPv4Address(&isV4);
        if (isV4) {
            sender = QHostAddress(v4);
        }
        const bool fromManager =
            datagram.senderPort() == m_managerPort &&
            (sender == m_manager || (m_manager.isLoopback() && sender.isLoopback()));
        if (!fromManager) {
            continue;
        }
        const QByteArray data = datagram.data();
        if (const auto message =
                DecodeOsc(data.constData(), static_cast<std::size_t>(data.size()))) {
            Handle(*message);
        }
    }
}

void CSessionClient::Handle(const OscMessage& message) {
    const std::string types = message.Types();
    if (message.path == "/reply" && types.size() >= 2 && types[0] == 's') {
        if (*message.String(0) == "/nsm/server/announce") {
            emit announced(Text(message.String(2)), Text(message.String(3)));
        }
    } else if (message.path == "/error" && types.size() >= 3 && types.substr(0, 3) == "sis") {
        if (*message.String(0) == "/nsm/server/announce") {
            emit announceFailed(Text(message.String(2)));
        }
    } else if (message.path == "/nsm/client/open" && types == "sss") {
        emit openRequested(Text(message.String(0)), Text(message.String(1)),
                           Text(message.String(2)));
    } else if (message.path == "/nsm/client/save" && types.empty()) {
        emit saveRequested();
    } else if (message.path == "/nsm/client/show_optional_gui" && types.empty()) {
        emit guiRequested(true);
    } else if (message.path == "/nsm/client/hide_optional_gui" && types.empty()) {
        emit guiRequested(false);
    } else if (message.path == "/nsm/client/session_is_loaded" && types.empty()) {
        emit sessionLoaded();
    }
}

void CSessionClient::Send(const OscMessage& message) {
    if (!m_socket) {
        return;
    }
    const std::vector<char> datagram = EncodeOsc(message);
    m_socket->writeDatagram(datagram.data(), static_cast<qint64>(datagram.size()), m_manager,
                            m_managerPort);
}

void CSessionClient::Announce(const QString& applicationName, const QString& executableName,
                              qint64 pid) {
    Send({"/nsm/server/announce",
          {Std(applicationName), std::string(kCapabilities), Std(executableName), kApiMajor,
           kApiMinor, static_cast<std::int32_t>(pid)}});
}

void CSessionClient::Reply(const QString& request, const QString& message) {
    Send({"/reply", {Std(request), Std(message)}});
}

void CSessionClient::Fail(const QString& request, Error code, const QString& message) {
    Send({"/error", {Std(request), static_cast<std::int32_t>(code), Std(message)}});
}

void CSessionClient::SetDirty(bool dirty) {
    Send({dirty ? "/nsm/client/is_dirty" : "/nsm/client/is_clean", {}});
}

void CSessionClient::SetGuiShown(bool shown) {
    Send({shown ? "/nsm/client/gui_is_shown" : "/nsm/client/gui_is_hidden", {}});
}

void CSessionClient::Message(int priority, const QString& text) {
    Send({"/nsm/client/message", {static_cast<std::int32_t>(priority), Std(text)}});
}
