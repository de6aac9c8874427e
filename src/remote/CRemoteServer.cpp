#include "remote/CRemoteServer.h"

#include "httpguard/CHttpForwarder.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>

namespace {

using namespace std::chrono_literals;
using Status = QHttpServerResponder::StatusCode;

struct PageFile {
    const char* path;
    const char* resource;
    const char* type;
};
const std::array<PageFile, 3> kPageFiles = {{
    {"/", ":/remote/index.html", "text/html; charset=utf-8"},
    {"/remote.css", ":/remote/remote.css", "text/css; charset=utf-8"},
    {"/remote.js", ":/remote/remote.js", "text/javascript; charset=utf-8"},
}};

// Equal texts in a time that does not tell how much of a guess was right.
bool SameInConstantTime(const QByteArray& a, const QByteArray& b) {
    const qsizetype length = std::max(a.size(), b.size());
    unsigned difference = a.size() == b.size() ? 0u : 1u;
    for (qsizetype i = 0; i < length; ++i) {
        const auto x = static_cast<unsigned char>(i < a.size() ? a[i] : 0);
        const auto y = static_cast<unsigned char>(i < b.size() ? b[i] : 0);
        difference |= static_cast<unsigned>(x ^ y);
    }
    return difference == 0;
}

QString Token() {
    std::array<quint32, 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    QString token;
    for (quint32 word : words) {
        token += QStringLiteral("%1").arg(word, 8, 16, QLatin1Char('0'));
    }
    return token;
}

} // namespace

struct CRemoteServer::Client {
    QWebSocket* socket = nullptr;
    QHostAddress address;
    bool paired = false;
    bool closing = false;
    int codesTried = 0;
    int missedPings = 0;
    QTimer* pairTimer = nullptr;
    QTimer* pingTimer = nullptr;
    // The token bucket, and the count of the second that began at secondStart.
    double tokens = 0;
    Clock::time_point refilled;
    Clock::time_point secondStart;
    int inSecond = 0;
};

CRemoteServer::CRemoteServer(QObject* parent) : CRemoteServer(Limits(), Clock::now, parent) {}

CRemoteServer::CRemoteServer(Limits limits, std::function<Clock::time_point()> now, QObject* parent)
    : QObject(parent), m_limits(limits), m_now(std::move(now)) {}

CRemoteServer::~CRemoteServer() {
    Stop();
}

bool CRemoteServer::Start(const QHostAddress& address, quint16 port, QString* why) {
    Stop();
    for (const PageFile& file : kPageFiles) {
        QFile resource(QString::fromLatin1(file.resource));
        if (resource.open(QIODevice::ReadOnly)) {
            m_files[QString::fromLatin1(file.path)] = resource.readAll();
        }
    }
    m_http = new CHttpForwarder([this](const QHttpServerRequest& request,
                                       QTcpSocket* socket) { OnHttpRequest(request, socket); },
                                this);
    auto* tcp = new QTcpServer(m_http);
    if (!tcp->listen(address, port)) {
        if (why) {
            *why = QStringLiteral("cannot listen on %1: %2")
                       .arg(HttpHostGuard::HostText(address, port), tcp->errorString());
        }
        delete m_http;
        m_http = nullptr;
        return false;
    }
    m_http->bind(tcp);
    connect(m_http, &QAbstractHttpServer::newWebSocketConnection, this,
            &CRemoteServer::OnWebSocket);
    m_address = address;
    m_port = tcp->serverPort();

    m_hosts.Allow(address, m_port);
    return true;
}

void CRemoteServer::Stop() {
    for (auto& [socket, client] : m_clients) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    const bool hadClients = !m_clients.empty();
    m_clients.clear();
    delete m_http;
    m_http = nullptr;
    m_port = 0;
    m_hosts.Clear();
    if (hadClients) {
        emit clientsChanged();
    }
}

bool CRemoteServer::Listening() const {
    return m_http != nullptr;
}

bool CRemoteServer::IsValidCode(const QString& code) {
    return code.size() >= 4 && code.size() <= 32 &&
           std::all_of(code.begin(), code.end(),
                       [](QChar c) { return c.unicode() < 128 && c.isLetterOrNumber(); });
}

QString CRemoteServer::NewCode() {
    return QStringLiteral("%1").arg(QRandomGenerator::system()->bounded(1'000'000), 6, 10,
                                    QLatin1Char('0'));
}

void CRemoteServer::SetCode(const QString& code) {
    if (code == m_code) {
        return;
    }
    m_code = code;
    m_tokens.clear();
    for (auto& [socket, client] : m_clients) {
        if (client->paired) {
            Close(*client, QWebSocketProtocol::CloseCodePolicyViolated,
                  QStringLiteral("the code changed"));
        }
    }
}

void CRemoteServer::OnHttpRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    // QHttpServer shows a WebSocket's upgrade here too before it hands the socket over; it is
    // answered by the handshake, and checked once it arrives.
    if (request.value("Upgrade").compare("websocket", Qt::CaseInsensitive) == 0) {
        return;
    }
    QHttpServerResponder responder = CHttpForwarder::Responder(request, socket);
    const QByteArray host = request.value("Host");
    const bool hostAllowed = m_hosts.HostAllowed(host);
    const QByteArray origin = request.value("Origin");
    const QByteArray connect = hostAllowed ? " ws://" + host.trimmed() : QByteArray();
    const QByteArray policy =
        "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
        "connect-src 'self'" +
        connect + "; frame-ancestors 'none'; base-uri 'none'; form-action 'none'";

    Status status = Status::Ok;
    QByteArray body;
    QByteArray type = "text/plain; charset=utf-8";
    const auto method = request.method();
    const auto file = m_files.find(request.url().path());
    if (!hostAllowed || (!origin.isEmpty() && !m_hosts.OriginAllowed(origin))) {
        status = Status::Forbidden;
        body = "Forbidden";
    } else if (method != QHttpServerRequest::Method::Get &&
               method != QHttpServerRequest::Method::Head) {
        status = Status::MethodNotAllowed;
        body = "Method Not Allowed";
    } else if (file == m_files.end()) {
        status = Status::NotFound;
        body = "Not Found";
    } else {
        body = file->second;
        for (const PageFile& page : kPageFiles) {
            if (file->first == QLatin1String(page.path)) {
                type = page.type;
            }
        }
    }
    responder.writeStatusLine(status);
    responder.writeHeader("Content-Type", type);
    responder.writeHeader("Content-Length", QByteArray::number(body.size()));
    responder.writeHeader("Content-Security-Policy", policy);
    responder.writeHeader("X-Content-Type-Options", "nosniff");
    responder.writeHeader("Referrer-Policy", "no-referrer");
    responder.writeHeader("Cache-Control", "no-store");
    if (status == Status::MethodNotAllowed) {
        responder.writeHeader("Allow", "GET, HEAD");
    }
    responder.writeBody(method == QHttpServerRequest::Method::Head ? QByteArray() : body);
}

void CRemoteServer::OnWebSocket() {
    while (m_http && m_http->hasPendingWebSocketConnections()) {
        QWebSocket* socket = m_http->nextPendingWebSocketConnection().release();
        socket->setParent(this);
        connect(socket, &QWebSocket::disconnected, this, [this, socket] { Forget(socket); });
        // Host and Origin are checked before anything is read from the socket or sent to it.
        const QNetworkRequest request = socket->request();
        const QByteArray host = request.hasRawHeader("Host") ? request.rawHeader("Host")
                                                             : request.url().authority().toLatin1();
        const bool allowed = m_hosts.HostAllowed(host) &&
                             m_hosts.OriginAllowed(socket->origin().toLatin1()) &&
                             socket->requestUrl().path() == QLatin1String("/ws");
        // Sockets on their way out make no room for the limit, nor take any.
        const bool full = Clients().size() >= m_limits.clients;
        auto client = std::make_unique<Client>();
        client->socket = socket;
        // An IPv4 peer reached over an IPv6 socket is the same address as over an IPv4 one.
        bool ipv4 = false;
        const quint32 peer = socket->peerAddress().toIPv4Address(&ipv4);
        client->address = ipv4 ? QHostAddress(peer) : socket->peerAddress();
        Client& added = *client;
        m_clients.emplace(socket, std::move(client));
        if (!allowed || full) {
            ++m_refused;
            if (allowed) {
                SendTo(added, R"({"reason":"full","type":"refused"})");
            }
            Close(added, QWebSocketProtocol::CloseCodePolicyViolated,
                  allowed ? QStringLiteral("full") : QString());
            continue;
        }
        socket->setMaxAllowedIncomingFrameSize(kRemoteMaxFrameBytes);
        socket->setMaxAllowedIncomingMessageSize(kRemoteMaxFrameBytes);
        const Clock::time_point now = m_now();
        added.tokens = m_limits.messagesPerSecond;
        added.refilled = now;
        added.secondStart = now;
        connect(socket, &QWebSocket::textMessageReceived, this,
                [this, socket](const QString& frame) {
                    const auto found = m_clients.find(socket);
                    if (found != m_clients.end()) {
                        OnFrame(*found->second, frame);
                    }
                });
        connect(socket, &QWebSocket::binaryMessageReceived, this, [this, socket] {
            const auto found = m_clients.find(socket);
            if (found != m_clients.end()) {
                OnFrame(*found->second, QString());
            }
        });
        connect(socket, &QWebSocket::pong, this, [this, socket] {
            const auto found = m_clients.find(socket);
            if (found != m_clients.end()) {
                found->second->missedPings = 0;
            }
        });
        added.pairTimer = new QTimer(socket);
        added.pairTimer->setSingleShot(true);
        added.pairTimer->setInterval(m_limits.pairTimeout);
        connect(added.pairTimer, &QTimer::timeout, this, [this, socket] {
            const auto found = m_clients.find(socket);
            if (found != m_clients.end() && !found->second->paired) {
                Close(*found->second, QWebSocketProtocol::CloseCodePolicyViolated,
                      QStringLiteral("not paired"));
            }
        });
        added.pairTimer->start();
        added.pingTimer = new QTimer(socket);
        added.pingTimer->setInterval(m_limits.pingInterval);
        connect(added.pingTimer, &QTimer::timeout, this, [this, socket] {
            const auto found = m_clients.find(socket);
            if (found == m_clients.end()) {
                return;
            }
            Client& pinged = *found->second;
            if (pinged.missedPings >= m_limits.unansweredPings) {
                socket->abort(); // it does not answer; a close would wait for it in vain
                return;
            }
            ++pinged.missedPings;
            socket->ping();
        });
        added.pingTimer->start();
        emit clientsChanged();
    }
}

void CRemoteServer::OnFrame(Client& client, const QString& frame) {
    if (client.closing) {
        return;
    }
    const Clock::time_point now = m_now();
    if (now - client.secondStart >= 1s) {
        client.secondStart = now;
        client.inSecond = 0;
    }
    if (++client.inSecond > m_limits.closeAbovePerSecond) {
        ++m_dropped;
        Close(client, QWebSocketProtocol::CloseCodePolicyViolated,
              QStringLiteral("too many messages"));
        return;
    }
    const double rate = m_limits.messagesPerSecond;
    const std::chrono::duration<double> elapsed = now - client.refilled;
    client.tokens = std::min(rate, client.tokens + elapsed.count() * rate);
    client.refilled = now;
    if (client.tokens < 1) {
        ++m_dropped;
        return;
    }
    client.tokens -= 1;

    const std::optional<RemoteCommand> command = ParseRemoteFrame(frame);
    if (!command) {
        ++m_ignored;
        return;
    }
    using Kind = RemoteCommand::Kind;
    const bool hello = command->kind == Kind::HelloCode || command->kind == Kind::HelloToken;
    if (client.paired == hello) {
        ++m_ignored; // nothing is taken before pairing, and a paired socket pairs no more
        return;
    }
    if (command->kind == Kind::HelloCode) {
        TryCode(client, command->text);
    } else if (command->kind == Kind::HelloToken) {
        TryToken(client, command->text);
    } else {
        emit commandReceived(*command);
    }
}

std::deque<CRemoteServer::Clock::time_point>&
CRemoteServer::CodeTries(const QHostAddress& address) {
    std::deque<Clock::time_point>& tries = m_codeTries[address.toString()];
    const Clock::time_point now = m_now();
    while (!tries.empty() && now - tries.front() >= m_limits.codeWindow) {
        tries.pop_front();
    }
    return tries;
}

void CRemoteServer::TryCode(Client& client, const QString& code) {
    std::deque<Clock::time_point>& tries = CodeTries(client.address);
    if (static_cast<int>(tries.size()) >= m_limits.codesPerAddress) {
        SendTo(client, R"({"reason":"locked","type":"refused"})");
        Close(client, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("locked"));
        return;
    }
    if (!m_code.isEmpty() && SameInConstantTime(code.toUtf8(), m_code.toUtf8())) {
        Pair(client, Token());
        return;
    }
    ++m_wrongCodes;
    ++client.codesTried;
    tries.push_back(m_now());
    emit wrongCode();
    const int left = std::min(m_limits.codesPerSocket - client.codesTried,
                              m_limits.codesPerAddress - static_cast<int>(tries.size()));
    if (static_cast<int>(tries.size()) >= m_limits.codesPerAddress) {
        SendTo(client, R"({"reason":"locked","type":"refused"})");
    } else {
        SendTo(client, QJsonDocument(QJsonObject{{QLatin1String("type"), QLatin1String("refused")},
                                                 {QLatin1String("reason"), QLatin1String("code")},
                                                 {QLatin1String("attemptsLeft"), left}})
                           .toJson(QJsonDocument::Compact));
    }
    if (left <= 0) {
        Close(client, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("no more codes"));
    }
}

void CRemoteServer::TryToken(Client& client, const QString& token) {
    bool known = false;
    for (const QString& kept : m_tokens) {
        known |= SameInConstantTime(kept.toLatin1(), token.toLatin1());
    }
    if (known) {
        Pair(client, token);
    } else {
        SendTo(client, R"({"reason":"token","type":"refused"})");
    }
}

void CRemoteServer::Pair(Client& client, const QString& token) {
    m_tokens.insert(token);
    client.paired = true;
    client.pairTimer->stop();
    QJsonObject welcome = m_welcome ? m_welcome() : QJsonObject();
    welcome.insert(QLatin1String("type"), QLatin1String("welcome"));
    welcome.insert(QLatin1String("token"), token);
    SendTo(client, QJsonDocument(welcome).toJson(QJsonDocument::Compact));
    emit clientsChanged();
}

void CRemoteServer::SendTo(Client& client, const QByteArray& frame) {
    client.socket->sendTextMessage(QString::fromUtf8(frame));
}

void CRemoteServer::Send(const QByteArray& frame) {
    const QString text = QString::fromUtf8(frame);
    for (auto& [socket, client] : m_clients) {
        if (client->paired && !client->closing) {
            socket->sendTextMessage(text);
        }
    }
}

bool CRemoteServer::HasPaired() const {
    return std::any_of(m_clients.begin(), m_clients.end(),
                       [](const auto& entry) { return entry.second->paired; });
}

QList<CRemoteServer::ClientInfo> CRemoteServer::Clients() const {
    QList<ClientInfo> clients;
    for (const auto& [socket, client] : m_clients) {
        if (!client->closing) {
            clients.append({client->address, client->paired});
        }
    }
    return clients;
}

void CRemoteServer::Close(Client& client, int code, const QString& reason) {
    if (std::exchange(client.closing, true)) {
        return;
    }
    const bool announced = client.pairTimer != nullptr;
    client.paired = false;
    if (announced) {
        client.pairTimer->stop();
        client.pingTimer->stop();
    }
    // The socket may go at once, and the client with it.
    QWebSocket* socket = client.socket;
    QTimer::singleShot(m_limits.closeGrace, socket, [socket] { socket->abort(); });
    if (announced) {
        emit clientsChanged();
    }
    socket->close(static_cast<QWebSocketProtocol::CloseCode>(code), reason);
}

void CRemoteServer::Forget(QWebSocket* socket) {
    const auto found = m_clients.find(socket);
    if (found == m_clients.end()) {
        return;
    }
    m_clients.erase(found);
    socket->deleteLater();
    emit clientsChanged();
}
