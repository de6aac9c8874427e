#include "oscquery/COscQueryServer.h"

#include "httpguard/CHttpForwarder.h"
#include "oscquery/OscQueryJson.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QNetworkRequest>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>

#include <algorithm>

namespace {

using namespace std::chrono_literals;
using Status = QHttpServerResponder::StatusCode;

constexpr auto kInterval = std::chrono::duration_cast<COscQueryServer::Clock::duration>(
    std::chrono::duration<double>(1.0 / COscQueryServer::kValuesPerSecond));

const std::set<QString> kAttributes = {
    QStringLiteral("FULL_PATH"), QStringLiteral("CONTENTS"),    QStringLiteral("TYPE"),
    QStringLiteral("RANGE"),     QStringLiteral("VALUE"),       QStringLiteral("ACCESS"),
    QStringLiteral("UNIT"),      QStringLiteral("DESCRIPTION"),
};

// An IPv4 peer reached over an IPv6 socket is the same address as over an IPv4 one.
QHostAddress Plain(const QHostAddress& address) {
    bool ipv4 = false;
    const quint32 v4 = address.toIPv4Address(&ipv4);
    return ipv4 ? QHostAddress(v4) : address;
}

} // namespace

COscQueryServer::COscQueryServer(const CControllerDoc& doc, QObject* parent)
    : QObject(parent), m_doc(doc), m_flushTimer(new QTimer(this)) {
    m_flushTimer->setSingleShot(true);
    m_flushTimer->setTimerType(Qt::PreciseTimer);
    connect(m_flushTimer, &QTimer::timeout, this, &COscQueryServer::Flush);
}

COscQueryServer::~COscQueryServer() {
    Stop();
}

bool COscQueryServer::Start(const Settings& settings, QString* why) {
    Stop();
    m_http = new CHttpForwarder([this](const QHttpServerRequest& request,
                                       QTcpSocket* socket) { OnHttpRequest(request, socket); },
                                this);
    auto* tcp = new QTcpServer(m_http);
    if (!tcp->listen(settings.address, settings.port)) {
        if (why) {
            *why = QStringLiteral("cannot listen on %1: %2")
                       .arg(HttpHostGuard::HostText(settings.address, settings.port),
                            tcp->errorString());
        }
        delete m_http;
        m_http = nullptr;
        return false;
    }
    m_http->bind(tcp);
    connect(m_http, &QAbstractHttpServer::newWebSocketConnection, this,
            &COscQueryServer::OnWebSocket);
    m_settings = settings;
    m_port = tcp->serverPort();
    m_nodes = &OscAddressSpace(settings.firstObject);

    m_hosts.Allow(settings.address, m_port);
    return true;
}

void COscQueryServer::Stop() {
    for (auto& [socket, client] : m_clients) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    m_clients.clear();
    m_flushTimer->stop();
    delete m_http;
    m_http = nullptr;
    m_port = 0;
    m_hosts.Clear();
}

bool COscQueryServer::Listening() const {
    return m_http != nullptr;
}

bool COscQueryServer::PeerAllowed(const QHostAddress& peer, const QList<QHostAddress>& allowed) {
    const QHostAddress plain = Plain(peer);
    return allowed.isEmpty() || plain.isLoopback() || allowed.contains(plain);
}

int COscQueryServer::Clients() const {
    return static_cast<int>(
        std::count_if(m_clients.begin(), m_clients.end(),
                      [](const auto& entry) { return !entry.second->closing; }));
}

void COscQueryServer::OnHttpRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    // A WebSocket's upgrade shows here before the socket is handed over; it is checked then.
    if (request.value("Upgrade").compare("websocket", Qt::CaseInsensitive) == 0) {
        return;
    }
    QHttpServerResponder responder = CHttpForwarder::Responder(request, socket);
    const QByteArray origin = request.value("Origin");
    const auto method = request.method();
    const QUrl url = request.url();
    const QString attribute = url.query();

    Status status = Status::Ok;
    QByteArray body;
    if (!PeerAllowed(socket->peerAddress(), m_settings.allowedPeers) ||
        !m_hosts.HostAllowed(request.value("Host")) ||
        (!origin.isEmpty() && !m_hosts.OriginAllowed(origin))) {
        ++m_refused;
        status = Status::Forbidden;
    } else if (method != QHttpServerRequest::Method::Get &&
               method != QHttpServerRequest::Method::Head) {
        status = Status::MethodNotAllowed;
    } else if (attribute == QLatin1String("HOST_INFO")) {
        body =
            QJsonDocument(OscQueryHostInfo({QStringLiteral("Orbis"), m_settings.oscPort, m_port}))
                .toJson(QJsonDocument::Compact);
    } else if (!attribute.isEmpty() && !kAttributes.contains(attribute)) {
        status = Status::BadRequest;
    } else if (const auto node = OscQueryNode(*m_nodes, m_doc, url.path()); !node) {
        status = Status::NotFound;
    } else if (attribute.isEmpty()) {
        body = QJsonDocument(*node).toJson(QJsonDocument::Compact);
    } else if (const auto value = node->find(attribute); value == node->end()) {
        status = Status::NoContent; // an attribute this node does not have
    } else {
        body = QJsonDocument(QJsonObject{{attribute, *value}}).toJson(QJsonDocument::Compact);
    }
    responder.writeStatusLine(status);
    if (status == Status::Ok) {
        responder.writeHeader("Content-Type", "application/json");
    }
    if (status != Status::NoContent) {
        responder.writeHeader("Content-Length", QByteArray::number(body.size()));
    }
    responder.writeHeader("Cache-Control", "no-store");
    if (status == Status::MethodNotAllowed) {
        responder.writeHeader("Allow", "GET, HEAD");
    }
    responder.writeBody(method == QHttpServerRequest::Method::Head ? QByteArray() : body);
}

void COscQueryServer::OnWebSocket() {
    while (m_http && m_http->hasPendingWebSocketConnections()) {
        QWebSocket* socket = m_http->nextPendingWebSocketConnection().release();
        socket->setParent(this);
        connect(socket, &QWebSocket::disconnected, this, [this, socket] {
            if (m_clients.erase(socket) > 0) {
                socket->deleteLater();
            }
        });
        // Checked before anything is read from the socket or sent to it.
        const QNetworkRequest request = socket->request();
        const QByteArray host = request.hasRawHeader("Host") ? request.rawHeader("Host")
                                                             : request.url().authority().toLatin1();
        const QByteArray origin = socket->origin().toLatin1();
        const bool allowed = PeerAllowed(socket->peerAddress(), m_settings.allowedPeers) &&
                             m_hosts.HostAllowed(host) &&
                             (origin.isEmpty() || m_hosts.OriginAllowed(origin));
        const bool full = Clients() >= kMaxClients;
        auto client = std::make_unique<Client>();
        client->socket = socket;
        Client& added = *client;
        m_clients.emplace(socket, std::move(client));
        if (!allowed || full) {
            ++m_refused;
            Close(added);
            continue;
        }
        socket->setMaxAllowedIncomingFrameSize(kMaxFrameBytes);
        socket->setMaxAllowedIncomingMessageSize(kMaxFrameBytes);
        connect(socket, &QWebSocket::textMessageReceived, this,
                [this, socket](const QString& frame) {
                    const auto found = m_clients.find(socket);
                    if (found != m_clients.end()) {
                        OnFrame(*found->second, frame);
                    }
                });
    }
}

void COscQueryServer::OnFrame(Client& client, const QString& frame) {
    if (client.closing) {
        return;
    }
    const QJsonObject command = QJsonDocument::fromJson(frame.toUtf8()).object();
    const QString name = command.value(QLatin1String("COMMAND")).toString();
    const OscNode* node = FindOscNode(
        m_settings.firstObject, command.value(QLatin1String("DATA")).toString().toStdString());
    if (!node) {
        return;
    }
    if (name == QLatin1String("LISTEN") && node->readable && !node->type.empty()) {
        client.listening.insert(node);
    } else if (name == QLatin1String("IGNORE")) {
        client.listening.erase(node);
        client.pending.erase(node);
        client.sent.erase(node);
    }
}

void COscQueryServer::Changed(const DocumentChanges& changes) {
    if (m_clients.empty()) {
        return;
    }
    bool any = false;
    for (const ValueChange& change : changes.values) {
        const std::vector<std::size_t>& nodes = OscNodesOf(m_settings.firstObject, change.key);
        for (auto& [socket, client] : m_clients) {
            for (const std::size_t place : nodes) {
                const OscNode* node = &(*m_nodes)[place];
                if (client->listening.contains(node)) {
                    client->pending.insert(node);
                    any = true;
                }
            }
        }
    }
    // The rest of this pass's changes come first, so a drag's many are one message.
    if (any && !m_flushTimer->isActive()) {
        m_flushTimer->start(0);
    }
}

void COscQueryServer::Flush() {
    const Clock::time_point now = Clock::now();
    std::optional<Clock::duration> wait;
    for (auto& [socket, client] : m_clients) {
        for (auto node = client->pending.begin(); node != client->pending.end();) {
            auto& sent = client->sent[*node];
            if (sent != Clock::time_point() && now - sent < kInterval) {
                const Clock::duration left = sent + kInterval - now;
                wait = std::min(wait.value_or(left), left);
                ++node;
                continue;
            }
            sent = now;
            const std::vector<char> message = EncodeOsc({(*node)->path, OscValueOf(m_doc, **node)});
            socket->sendBinaryMessage(
                QByteArray(message.data(), static_cast<qsizetype>(message.size())));
            node = client->pending.erase(node);
        }
    }
    if (wait) {
        m_flushTimer->start(std::chrono::ceil<std::chrono::milliseconds>(*wait));
    }
}

void COscQueryServer::Close(Client& client) {
    if (std::exchange(client.closing, true)) {
        return;
    }
    QWebSocket* socket = client.socket;
    QTimer::singleShot(5s, socket, [socket] { socket->abort(); });
    socket->close(QWebSocketProtocol::CloseCodePolicyViolated);
}
