#include "osc/COscReceiver.h"

#include "handoff/UiWake.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::size_t kDatagramLimit = 64 * 1024;

} // namespace

COscReceiver::COscReceiver(QObject* parent) : QObject(parent), m_wake(new CUiWake(this)) {
    connect(m_wake, &CUiWake::woken, this, &COscReceiver::arrived);
}

COscReceiver::~COscReceiver() {
    Stop();
}

bool COscReceiver::Start(const Settings& settings, QString* why) {
    Stop();
    const auto fail = [why](const QString& text) {
        if (why) {
            *why = text;
        }
        return false;
    };
    bool isV4 = false;
    const quint32 address = settings.address.toIPv4Address(&isV4);
    if (!isV4) {
        return fail(QStringLiteral("%1 is not an IPv4 address").arg(settings.address.toString()));
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    // Room for a burst from an object editor while this thread is busy; the kernel caps it.
    const int buffer = 1 << 20;
    static_cast<void>(::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(settings.port);
    local.sin_addr.s_addr = htonl(address);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return fail(QStringLiteral("cannot listen on %1 port %2: %3")
                        .arg(settings.address.toString())
                        .arg(settings.port)
                        .arg(reason));
    }
    socklen_t length = sizeof local;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    if (::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        ::close(fd);
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    m_socket = fd;
    m_boundPort = ntohs(local.sin_port);
    m_settings = settings;
    m_dropped = 0;
    m_stopping = false;
    m_answerBudget = AnswerBudget();
    m_thread = std::thread([this] { Run(); });
    return true;
}

void COscReceiver::Stop() {
    if (m_thread.joinable()) {
        // Seen between messages too, so a datagram holding many never keeps the caller waiting:
        // the join waits at most for the one message being read, well within a frame.
        m_stopping = true;
        const char stop = 1;
        static_cast<void>(::write(m_stopPipe[1], &stop, 1));
        m_thread.join();
    }
    for (int* fd : {&m_socket, &m_stopPipe[0], &m_stopPipe[1]}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
    m_boundPort = 0;
    m_mailbox.Clear();
}

void COscReceiver::Run() {
    std::vector<char> buffer(kDatagramLimit);
    std::array<pollfd, 2> waits = {{{m_socket, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}}};
    for (;;) {
        if (::poll(waits.data(), waits.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (waits[1].revents != 0 || m_stopping) {
            return;
        }
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t size = ::recvfrom(m_socket, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                        reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (size <= 0) {
            continue;
        }
        const QHostAddress sender(ntohl(from.sin_addr.s_addr));
        // This computer is always allowed: a list kept for a network address must not shut
        // out the programs beside this one when a run listens on the loopback.
        if (!sender.isLoopback() && !m_settings.allowedHosts.isEmpty() &&
            !m_settings.allowedHosts.contains(sender)) {
            ++m_dropped;
            continue;
        }
        int bad = 0;
        const std::vector<OscMessage> messages =
            DecodeOscPacket(buffer.data(), static_cast<std::size_t>(size), &bad);
        m_dropped += static_cast<std::uint64_t>(bad);
        const bool answerable = Answerable(sender, m_settings.allowedHosts);
        bool wake = false;
        for (const OscMessage& message : messages) {
            if (m_stopping) {
                return;
            }
            const std::vector<OscCommand> commands =
                ReadOscCommands(message, m_settings.firstObject);
            if (commands.empty()) {
                ++m_dropped;
            }
            std::size_t queries = 0;
            for (const OscCommand& command : commands) {
                if (command.query && (!answerable || ++queries > kAnswersPerQuery)) {
                    ++m_dropped;
                    continue;
                }
                wake = Keep(command, sender) || wake;
            }
        }
        if (wake) {
            m_wake->Wake(); // once for the whole datagram, and only when none is pending
        }
    }
}

bool COscReceiver::Keep(const OscCommand& command, const QHostAddress& sender) {
    using Kind = OscCommand::Kind;
    // Only positions and values may stand for the ones before them: every cue command counts.
    if (command.query || command.kind == Kind::Send || command.kind >= Kind::TryPreset) {
        return m_mailbox.PutQueued(Received{command, sender});
    }
    const auto key = std::make_tuple(static_cast<int>(command.kind), command.channel, command.row);
    return m_mailbox.PutLatest(key, Received{command, sender},
                               [](Received& waiting, Received&& newer) {
                                   // Coordinates not given this time keep the ones waiting.
                                   for (std::size_t i = 0; i < waiting.command.values.size(); ++i) {
                                       if (newer.command.values[i]) {
                                           waiting.command.values[i] = newer.command.values[i];
                                       }
                                   }
                               });
}

std::vector<COscReceiver::Received> COscReceiver::Take() {
    return m_mailbox.Take();
}

bool COscReceiver::Answerable(const QHostAddress& host, const QList<QHostAddress>& allowedHosts) {
    // Any host may reach an open address with any source address it likes: only a list the
    // user wrote, or this computer, says the answers go where the question came from.
    return host.isLoopback() || allowedHosts.contains(host);
}

bool COscReceiver::Answer(const QHostAddress& to, const OscMessage& message) {
    bool isV4 = false;
    const quint32 address = to.toIPv4Address(&isV4);
    if (m_socket < 0 || !isV4 || !Answerable(to, m_settings.allowedHosts)) {
        return false;
    }
    if (!m_answerBudget.Spend(AnswerBudget::Clock::now())) {
        ++m_dropped;
        return false;
    }
    const std::vector<char> datagram = EncodeOsc(message);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(m_settings.answerPort);
    target.sin_addr.s_addr = htonl(address);
    return ::sendto(m_socket, datagram.data(), datagram.size(), MSG_DONTWAIT,
                    reinterpret_cast<const sockaddr*>(&target), sizeof target) >= 0;
}

bool COscReceiver::AnswerBudget::Spend(Clock::time_point now) {
    const std::chrono::duration<double> since = std::max(now - m_last, Clock::duration::zero());
    m_last = std::max(now, m_last);
    m_left = std::min<double>(m_left + since.count() * kAnswersPerSecond, kAnswersPerSecond);
    if (m_left < 1.0) {
        return false;
    }
    m_left -= 1.0;
    return true;
}
