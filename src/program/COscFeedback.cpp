#include "program/COscFeedback.h"

#include "model/CControllerDoc.h"
#include "osc/OscAddressSpace.h"
#include "osc/OscMessage.h"
#include "program/CDocumentEvents.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <string>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A UDP socket connected to `target`, non-blocking; -1 when there is none.
int Connect(const COscFeedback::Target& target) {
    sockaddr_storage address{};
    socklen_t length = 0;
    if (target.address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(target.port);
        const Q_IPV6ADDR bytes = target.address.toIPv6Address();
        std::memcpy(&v6.sin6_addr, &bytes, sizeof bytes);
        length = sizeof v6;
    } else {
        auto& v4 = reinterpret_cast<sockaddr_in&>(address);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(target.port);
        v4.sin_addr.s_addr = htonl(target.address.toIPv4Address());
        length = sizeof v4;
    }
    const int fd = ::socket(address.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

constexpr qint64 kNsPerMs = 1'000'000;
constexpr qint64 kWindowNs = COscFeedback::kWindowMs * kNsPerMs;

} // namespace

struct COscFeedback::Peer {
    ~Peer() {
        delete notifier; // first, so that it tells nothing to a peer half gone
        if (fd >= 0) {
            ::close(fd);
        }
    }

    Target target;
    int fd = -1;
    QSocketNotifier* notifier = nullptr;
    bool unreachable = false;
    bool retrying = false;
    qint64 markedAt = 0;  // ns, as every time here
    qint64 holdUntil = 0; // after a retry's one datagram, until a refusal has had time to come
    quint64 sent = 0;
    std::deque<qint64> stamps; // sends within the last window, oldest first
    std::deque<int> waiting;   // nodes whose latest value is still to go, in order of change
    std::vector<bool> isWaiting;
};

std::optional<COscFeedback::Target> COscFeedback::ParseTarget(const QString& text, QString* why) {
    const auto fail = [&](const QString& reason) -> std::optional<Target> {
        if (why) {
            *why = reason;
        }
        return std::nullopt;
    };
    const QString trimmed = text.trimmed();
    const qsizetype colon = trimmed.lastIndexOf(QLatin1Char(':'));
    QString host = trimmed.left(colon);
    const bool bracketed = host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'));
    if (bracketed) {
        host = host.mid(1, host.size() - 2);
    }
    const QHostAddress address(host);
    // A bare IPv6 address would read its last group as the port.
    const auto protocol = bracketed ? QAbstractSocket::IPv6Protocol : QAbstractSocket::IPv4Protocol;
    if (colon < 0 || address.protocol() != protocol) {
        return fail(
            QStringLiteral("\"%1\" is not HOST:PORT with an IP address as HOST").arg(trimmed));
    }
    bool number = false;
    const int port = trimmed.mid(colon + 1).toInt(&number);
    if (!number || port < 1 || port > 65535) {
        return fail(QStringLiteral("the port of \"%1\" is not 1 to 65535").arg(trimmed));
    }
    return Target{address, static_cast<quint16>(port)};
}

QString COscFeedback::TargetText(const Target& target) {
    const QString host = target.address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(target.address.toString())
                             : target.address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(target.port);
}

COscFeedback::COscFeedback(const CControllerDoc& doc, CDocumentEvents& events, QObject* parent)
    : QObject(parent), m_doc(doc), m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &COscFeedback::Flush);
    connect(&events, &CDocumentEvents::changed, this, &COscFeedback::OnChanged);
    m_clock.start();
}

COscFeedback::~COscFeedback() = default;

void COscFeedback::Use(const std::vector<Target>& targets, int firstObject) {
    if (firstObject != m_firstObject || m_nodeCount == 0) {
        m_firstObject = firstObject;
        m_nodeCount = OscAddressSpace(firstObject).size();
        for (auto& peer : m_peers) { // what waited was numbered the old way
            peer->waiting.clear();
            peer->isWaiting.assign(m_nodeCount, false);
        }
    }
    // A target listed before keeps its socket, its state and what waits for it.
    std::vector<std::unique_ptr<Peer>> peers;
    for (const Target& target : targets) {
        const auto same = [&](const auto& peer) { return peer && peer->target == target; };
        if (std::any_of(peers.begin(), peers.end(), same)) {
            continue;
        }
        const auto kept = std::find_if(m_peers.begin(), m_peers.end(), same);
        if (kept != m_peers.end()) {
            peers.push_back(std::move(*kept));
            continue;
        }
        auto peer = std::make_unique<Peer>();
        Peer* raw = peer.get();
        peer->target = target;
        peer->isWaiting.assign(m_nodeCount, false);
        peer->fd = Connect(target);
        if (peer->fd < 0) {
            SetUnreachable(*peer, true); // not even a route: as good as a refusal
        } else {
            // A connected socket is told of the ICMP port unreachable its target's host answers
            // with: the next receive or send fails with ECONNREFUSED.
            peer->notifier = new QSocketNotifier(peer->fd, QSocketNotifier::Read);
            connect(peer->notifier, &QSocketNotifier::activated, this, [this, raw] {
                // What the target sends back is not ours to read, but must not pile up.
                char byte = 0;
                while (::recv(raw->fd, &byte, 1, MSG_DONTWAIT) >= 0) {
                }
                if (errno != EAGAIN) { // refused, or no route to the host
                    SetUnreachable(*raw, true);
                }
            });
        }
        peers.push_back(std::move(peer));
    }
    m_peers = std::move(peers);
    if (m_peers.empty()) {
        m_timer->stop();
    }
    emit statesChanged();
}

std::vector<COscFeedback::State> COscFeedback::States() const {
    std::vector<State> states;
    for (const auto& peer : m_peers) {
        states.push_back({peer->target, peer->unreachable, peer->sent});
    }
    return states;
}

void COscFeedback::OnChanged(const DocumentChanges& changes) {
    if (m_peers.empty()) {
        return;
    }
    const qint64 now = m_clock.nsecsElapsed();
    const std::vector<OscNode>& space = OscAddressSpace(m_firstObject);
    for (const ValueChange& change : changes.values) {
        for (const std::size_t node : OscNodesOf(m_firstObject, change.key)) {
            if (!space[node].feedback) {
                continue;
            }
            for (auto& peer : m_peers) {
                if (!peer->isWaiting[node]) {
                    peer->isWaiting[node] = true;
                    peer->waiting.push_back(static_cast<int>(node));
                }
            }
        }
    }
    for (auto& peer : m_peers) {
        if (peer->unreachable && peer->fd >= 0 && now - peer->markedAt >= kRetryMs * kNsPerMs) {
            SetUnreachable(*peer, false);
            peer->retrying = true;
        }
    }
    if (!m_flushPending) {
        m_flushPending = true;
        QMetaObject::invokeMethod(this, &COscFeedback::Flush, Qt::QueuedConnection);
    }
}

void COscFeedback::Flush() {
    m_flushPending = false;
    const qint64 now = m_clock.nsecsElapsed();
    std::optional<qint64> wake;
    const std::vector<OscNode>& space = OscAddressSpace(m_firstObject);
    for (auto& peer : m_peers) {
        while (!peer->stamps.empty() && now - peer->stamps.front() >= kWindowNs) {
            peer->stamps.pop_front();
        }
        while (!peer->unreachable && !peer->waiting.empty() && now >= peer->holdUntil &&
               std::ssize(peer->stamps) < kPerWindow) {
            const auto node = static_cast<std::size_t>(peer->waiting.front());
            const std::vector<char> datagram =
                EncodeOsc({space[node].path, OscValueOf(m_doc, space[node])});
            peer->stamps.push_back(now);
            if (::send(peer->fd, datagram.data(), datagram.size(), MSG_DONTWAIT) < 0) {
                if (errno != EAGAIN && errno != ENOBUFS) { // kept waiting for when it is back
                    SetUnreachable(*peer, true);
                }
                break; // a full buffer empties by the next window
            }
            peer->waiting.pop_front();
            peer->isWaiting[node] = false;
            ++peer->sent;
            if (std::exchange(peer->retrying, false)) {
                peer->holdUntil = now + kWindowNs;
            }
        }
        if (!peer->unreachable && !peer->waiting.empty()) {
            const qint64 room =
                std::max(peer->holdUntil,
                         peer->stamps.empty() ? now : peer->stamps.front() + kWindowNs) -
                now;
            wake = std::min(wake.value_or(room), room);
        }
    }
    if (wake) { // never early: a tick before the window ends would find no room yet
        m_timer->start(static_cast<int>(std::max<qint64>((*wake + kNsPerMs - 1) / kNsPerMs, 1)));
    }
}

void COscFeedback::SetUnreachable(Peer& peer, bool unreachable) {
    if (peer.unreachable == unreachable) {
        return;
    }
    peer.unreachable = unreachable;
    peer.markedAt = m_clock.nsecsElapsed();
    emit statesChanged();
}
