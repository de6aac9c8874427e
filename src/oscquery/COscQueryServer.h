// OSCQuery on one TCP port: over HTTP, the OSC receiver's address space as JSON (the whole
// tree, one node, one attribute, the host's description); on a WebSocket at the same port,
// LISTEN and IGNORE, after which each change of a node's value reaches the listener as a
// binary frame holding the OSC message, the latest value only and at most kValuesPerSecond
// times a second per node. Only peers the OSC receiver takes from, naming this server in
// Host (and Origin, when sent), are answered. Nothing runs while nothing changes.
#pragma once

#include "httpguard/HttpHostGuard.h"
#include "model/DocumentChange.h"
#include "osc/OscAddressSpace.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QStringList>

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

class CControllerDoc;
class CHttpForwarder;
class QHttpServerRequest;
class QTcpSocket;
class QTimer;
class QWebSocket;

class COscQueryServer : public QObject {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kMaxClients = 16;
    static constexpr int kMaxFrameBytes = 4096;
    static constexpr int kValuesPerSecond = 60;

    struct Settings {
        QHostAddress address = QHostAddress(QHostAddress::LocalHost);
        quint16 port = 0;                 // 0: any free one
        QList<QHostAddress> allowedPeers; // as the OSC receiver's: empty, any; the loopback always
        quint16 oscPort = 0;              // the OSC receiver's, for HOST_INFO
        int firstObject = 1;
    };

    // `doc` outlives this object.
    explicit COscQueryServer(const CControllerDoc& doc, QObject* parent = nullptr);
    ~COscQueryServer() override;

    // Listens as `settings` say; false with the reason. A running server stops first.
    bool Start(const Settings& settings, QString* why = nullptr);
    // Closes every WebSocket and stops listening.
    void Stop();
    bool Listening() const;
    quint16 Port() const { return m_port; }
    const QStringList& AllowedHosts() const { return m_hosts.Hosts(); }
    // Whether `peer` may talk to the server when the OSC receiver takes from `allowed`.
    static bool PeerAllowed(const QHostAddress& peer, const QList<QHostAddress>& allowed);

    // Document values changed: the nodes reading them go to their listeners.
    void Changed(const DocumentChanges& changes);

    int Clients() const;
    // Requests and sockets refused for their peer, Host or Origin, or because it was full.
    int Refused() const { return m_refused; }

private:
    struct Client {
        QWebSocket* socket = nullptr;
        bool closing = false;
        std::set<const OscNode*> listening;
        std::set<const OscNode*> pending;
        std::map<const OscNode*, Clock::time_point> sent;
    };

    void OnHttpRequest(const QHttpServerRequest& request, QTcpSocket* socket);
    void OnWebSocket();
    void OnFrame(Client& client, const QString& frame);
    void Flush();
    void Close(Client& client);

    const CControllerDoc& m_doc;
    Settings m_settings;
    CHttpForwarder* m_http = nullptr;
    quint16 m_port = 0;
    HttpHostGuard m_hosts;
    const std::vector<OscNode>* m_nodes = nullptr;
    std::map<QWebSocket*, std::unique_ptr<Client>> m_clients;
    QTimer* m_flushTimer;
    int m_refused = 0;
};
