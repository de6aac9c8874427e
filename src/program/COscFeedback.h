// OSC feedback: every change of a value or position, whatever made it, goes to each listed
// target as the one address that stands for it (/adm/obj/{n}/xyz, /orbis/ch/{n}/{Name},
// /orbis/{Name}) with the arguments a query is answered with. Changes wait per target by
// address, the latest value only, and at most kMessagesPerSecond go to a target, so a flood in
// is never a flood out. Nothing runs while nothing changes. A target that refuses (an ICMP
// port unreachable on its connected socket) is marked unreachable and sent nothing more until
// a change comes at least kRetryMs later: one datagram then, and what changed meanwhile once
// a window has passed without a refusal.
#pragma once

#include "model/DocumentChange.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>

#include <memory>
#include <optional>
#include <vector>

class CControllerDoc;
class CDocumentEvents;
class QTimer;

class COscFeedback : public QObject {
    Q_OBJECT

public:
    static constexpr int kMessagesPerSecond = 200;
    // The cap holds over every window of this length, kMessagesPerSecond / 10 each, which keeps
    // it over every second too while a backlog goes out in small steps, not one burst a second.
    static constexpr int kWindowMs = 100;
    static constexpr int kPerWindow = kMessagesPerSecond * kWindowMs / 1000;
    static constexpr int kRetryMs = 1000;

    struct Target {
        QHostAddress address;
        quint16 port = 0;
        friend bool operator==(const Target&, const Target&) = default;
    };
    // "HOST:PORT" ("[HOST]:PORT" for IPv6) with an IP literal, never a name to look up; nothing
    // with the reason in `why` otherwise.
    static std::optional<Target> ParseTarget(const QString& text, QString* why = nullptr);
    static QString TargetText(const Target& target);

    struct State {
        Target target;
        bool unreachable = false;
        quint64 sent = 0; // datagrams sent to it since it was listed
    };

    // Both outlive this object.
    COscFeedback(const CControllerDoc& doc, CDocumentEvents& events, QObject* parent = nullptr);
    ~COscFeedback() override;

    // Sends to these targets from now on, objects numbered from `firstObject`; none stops.
    void Use(const std::vector<Target>& targets, int firstObject);
    std::vector<State> States() const;

signals:
    // A target was found unreachable, or reachable again.
    void statesChanged();

private:
    struct Peer;
    void OnChanged(const DocumentChanges& changes);
    void Flush();
    void SetUnreachable(Peer& peer, bool unreachable);

    const CControllerDoc& m_doc;
    int m_firstObject = 1;
    std::size_t m_nodeCount = 0; // of the address space of m_firstObject; 0 before the first Use

    std::vector<std::unique_ptr<Peer>> m_peers;
    QTimer* m_timer;
    bool m_flushPending = false;
    QElapsedTimer m_clock;
};
