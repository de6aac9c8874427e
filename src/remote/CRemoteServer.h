// The remote page's server on one TCP port: the page's three files over HTTP and its
// WebSocket at /ws. Only requests naming this server (its bound address, "localhost" on
// loopback) from its own page are answered, so no other site's page and no rebound name
// reaches it. A socket pairs with the operator's code or a token handed out for this run;
// until then nothing it sends is taken. Every socket is held to the limits below, and one
// that goes leaves nothing behind but its token. Paired sockets' commands come out checked
// (commandReceived); what the program tells them goes to every paired socket (Send).
// Nothing runs while no socket is open.
#pragma once

#include "httpguard/HttpHostGuard.h"
#include "remote/RemoteMessages.h"

#include <QHostAddress>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>

class CHttpForwarder;
class QHttpServerRequest;
class QTcpSocket;
class QWebSocket;

class CRemoteServer : public QObject {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;

    struct Limits {
        int clients = 16;
        std::chrono::milliseconds pairTimeout{60'000};
        int codesPerSocket = 3;
        int codesPerAddress = 10;
        std::chrono::milliseconds codeWindow{600'000};
        int messagesPerSecond = 120;    // the token bucket's rate and depth
        int closeAbovePerSecond = 1000; // a client sending more in one second is closed
        std::chrono::milliseconds pingInterval{30'000};
        int unansweredPings = 2;
        // How long a closing socket may take to answer the close before it is cut.
        std::chrono::milliseconds closeGrace{5'000};
    };

    struct ClientInfo {
        QHostAddress address;
        bool paired = false;
    };

    explicit CRemoteServer(QObject* parent = nullptr);
    // `now` is the clock the limits count on (tests pass their own).
    CRemoteServer(Limits limits, std::function<Clock::time_point()> now, QObject* parent = nullptr);
    ~CRemoteServer() override;

    // Listens on `address` (QHostAddress::Any for every interface) and `port` (0: any free
    // one); false with the reason. A running server stops first.
    bool Start(const QHostAddress& address, quint16 port, QString* why = nullptr);
    // Closes every socket and stops listening.
    void Stop();
    bool Listening() const;
    quint16 Port() const { return m_port; }
    QHostAddress Address() const { return m_address; }
    // "host:port" texts a request's Host may carry.
    const QStringList& AllowedHosts() const { return m_hosts.Hosts(); }

    // The code a client pairs with (4-32 letters or digits). Changing it forgets every token
    // and closes the paired sockets.
    void SetCode(const QString& code);
    const QString& Code() const { return m_code; }
    // A code of six random digits.
    static QString NewCode();
    static bool IsValidCode(const QString& code);

    // What a newly paired client is sent, besides its token.
    void SetWelcome(std::function<QJsonObject()> welcome) { m_welcome = std::move(welcome); }
    // Sends `frame` to every paired socket.
    void Send(const QByteArray& frame);
    bool HasPaired() const;

    QList<ClientInfo> Clients() const;
    int WrongCodes() const { return m_wrongCodes; }
    // Sockets refused for their Host, Origin or path, or because the server was full.
    int Refused() const { return m_refused; }
    // Frames not taken: unparsable, of no known type, binary, or sent before pairing.
    int Ignored() const { return m_ignored; }
    // Frames over the rate limit.
    int Dropped() const { return m_dropped; }

signals:
    void commandReceived(const RemoteCommand& command);
    // A socket came, paired or went.
    void clientsChanged();
    void wrongCode();

private:
    struct Client;

    void OnHttpRequest(const QHttpServerRequest& request, QTcpSocket* socket);
    void OnWebSocket();
    void OnFrame(Client& client, const QString& frame);
    void TryCode(Client& client, const QString& code);
    void TryToken(Client& client, const QString& token);
    void Pair(Client& client, const QString& token);
    void SendTo(Client& client, const QByteArray& frame);
    void Close(Client& client, int code, const QString& reason);
    void Forget(QWebSocket* socket);
    // The codes this address tried in the window, the older ones forgotten.
    std::deque<Clock::time_point>& CodeTries(const QHostAddress& address);

    Limits m_limits;
    std::function<Clock::time_point()> m_now;
    std::function<QJsonObject()> m_welcome;
    CHttpForwarder* m_http = nullptr;
    QHostAddress m_address;
    quint16 m_port = 0;
    HttpHostGuard m_hosts;
    std::map<QString, QByteArray> m_files; // path -> the resource's bytes
    QString m_code;
    std::set<QString> m_tokens;
    std::map<QWebSocket*, std::unique_ptr<Client>> m_clients;
    std::map<QString, std::deque<Clock::time_point>> m_codeTries; // by address
    int m_wrongCodes = 0;
    int m_refused = 0;
    int m_ignored = 0;
    int m_dropped = 0;
};
