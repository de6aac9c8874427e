// The remote page: a phone or tablet on the network moves the sources, sets the input levels
// and fires the cue list's GO and Stop, and sees the room as the desk does. What a paired page
// sends goes where any live source goes: into the document as a live change (never an undo
// step) and through the processor link's pacing. The page follows the document: after each
// pass of changes only the sources that changed are sent, the whole picture when the room,
// the display mode or the document itself changed. Off until the Network Control window or
// the command line turns it on; then nothing is listened to or sent while nothing changes.
#pragma once

#include "remote/CRemoteServer.h"

#include <QElapsedTimer>
#include <QList>
#include <QMetaObject>
#include <QObject>

class CControllerDoc;
class CCueEngine;
class CDocumentEvents;
class CProcessorLink;
class QTimer;
struct DocumentChanges;

class CRemoteControl : public QObject {
    Q_OBJECT

public:
    static constexpr int kDefaultPort = 9080;
    // Progress of a running fade reaches the page at most this often.
    static constexpr int kProgressIntervalMs = 100;

    struct Stored {
        bool enabled = false;
        QString address = QStringLiteral("127.0.0.1"); // "0.0.0.0" or "::": every interface
        int port = kDefaultPort;
        QString code; // made when the server is first turned on
    };
    static Stored Load();
    static void Save(const Stored& stored);

    // All four outlive this object.
    CRemoteControl(CControllerDoc& doc, CDocumentEvents& events, CProcessorLink& link,
                   CCueEngine& cues, QObject* parent = nullptr);
    ~CRemoteControl() override;

    // Listens as `stored` says, or stops when it is not enabled; false with the reason. A
    // stored setting without a code gets one, remembered.
    bool Use(Stored stored, QString* why = nullptr);
    // Why the last Use did not listen; empty when it did, or was asked to stop.
    const QString& Failure() const { return m_failure; }
    CRemoteServer& Server() const { return *m_server; }
    // The address to open on the phone, "http://ADDRESS:PORT/"; empty while not listening.
    QString Url() const;
    QList<CRemoteServer::ClientInfo> Clients() const { return m_server->Clients(); }
    int WrongCodes() const { return m_server->WrongCodes(); }
    QString Code() const { return m_server->Code(); }
    // A code of 4-32 letters or digits, remembered; false for any other.
    bool SetCode(const QString& code);
    static QString NewCode() { return CRemoteServer::NewCode(); }

signals:
    // Clients came, paired or went, or a wrong code was tried.
    void clientsChanged();

private:
    void Follow(bool follow);
    void OnCommand(const RemoteCommand& command);
    void OnChanged(const DocumentChanges& changes);
    void OnSettled();
    void SendCues();
    void OnProgress();
    RemoteCues CueInfo() const;

    CControllerDoc& m_doc;
    CDocumentEvents& m_events;
    CProcessorLink& m_link;
    CCueEngine& m_cues;
    CRemoteServer* m_server;
    QString m_failure;
    QList<QMetaObject::Connection> m_following;
    // What the changes since the last pass redraw.
    std::array<bool, 8> m_changedSources{};
    bool m_wholeChanged = false;
    QTimer* m_progressTimer;
    QElapsedTimer m_progressSent;
};
