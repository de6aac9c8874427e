// The program's side of a Linux audio session manager's protocol (NSM API 1.1): the
// announce, the manager's open, save and GUI requests as signals, and the replies and state
// reports back. Its UDP port listens only where the manager is (the loopback address for a
// manager on this machine) and takes messages only from the manager's own address and port,
// so nothing else that reaches the port can open, save or switch a document. It knows
// nothing of the document; the program maps the requests.
#pragma once

#include "osc/OscMessage.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

class QUdpSocket;

class CSessionClient : public QObject {
    Q_OBJECT

public:
    // The protocol's error codes used here.
    enum Error { General = -1, BadProject = -9, CreateFailed = -10 };
    static constexpr const char* kCapabilities = ":switch:dirty:optional-gui:message:";

    // The manager at `url` (the NSM_URL of the environment, "osc.udp://host:port/").
    explicit CSessionClient(const QString& url, QObject* parent = nullptr);
    ~CSessionClient() override;

    // False when the address is malformed or the port cannot be opened; why says why.
    bool IsListening() const { return m_socket != nullptr; }
    const QString& Why() const { return m_why; }
    // The port's address, as the manager sees it.
    QHostAddress LocalAddress() const;
    quint16 LocalPort() const;

    void Announce(const QString& applicationName, const QString& executableName, qint64 pid);
    // Answers a request (its address, "/nsm/client/open") with success or an error.
    void Reply(const QString& request, const QString& message);
    void Fail(const QString& request, Error code, const QString& message);
    void SetDirty(bool dirty);
    void SetGuiShown(bool shown);
    // A line for the manager's user: 0 (debug) to 3 (important).
    void Message(int priority, const QString& text);

signals:
    void announced(const QString& managerName, const QString& capabilities);
    void announceFailed(const QString& why);
    void openRequested(const QString& path, const QString& displayName, const QString& clientId);
    void saveRequested();
    void guiRequested(bool shown);
    void sessionLoaded();

private:
    void Receive();
    void Handle(const OscMessage& message);
    void Send(const OscMessage& message);

    QUdpSocket* m_socket = nullptr;
    QHostAddress m_manager;
    quint16 m_managerPort = 0;
    QString m_why;
};
