#include "osc/COscReceiver.h"

#include <QMetaObject>

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

COscReceiver::COscReceiver(QObject* parent) : QObject(parent) {}

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
        // Seen between messages too, so a datagram holding many never keeps the caller waiting.
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
    const std::lock_guard lock(m_mutex);
    m_latest.clear();
    m_commands.clear();
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
        bool kept = false;
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
                Keep(command, sender);
                kept = true;
            }
        }
        if (kept && !m_wakePending.exchange(true)) {
            QMetaObject::invokeMethod(this, &COscReceiver::arrived, Qt::QueuedConnection);
        }
    }
}

void COscReceiver::Keep(const OscCommand& command, const QHostAddress& sender) {
    using Kind = OscCommand::Kind;
    const std::lock_guard lock(m_mutex);
    const std::uint64_t sequence = ++m_sequence;
    if (command.query || command.kind == Kind::Send || command.kind == Kind::TryPreset) {
        if (m_commands.size() >= kMaxWaitingCommands) {
            ++m_dropped;
            return;
        }
        m_commands.emplace_back(sequence, Received{command, sender});
        return;
    }
    const auto key = std::make_tuple(static_cast<int>(command.kind), command.channel, command.row);
    auto [it, added] = m_latest.try_emplace(key, sequence, Received{command, sender});
    if (!added) {
        // Coordinates not given this time keep the ones still waiting.
        OscCommand& waiting = it->second.second.command;
        for (std::size_t i = 0; i < waiting.values.size(); ++i) {
            if (command.values[i]) {
                waiting.values[i] = command.values[i];
            }
        }
        it->second.first = sequence;
    }
}

std::vector<COscReceiver::Received> COscReceiver::Take() {
    m_wakePending = false;
    std::vector<std::pair<std::uint64_t, Received>> all;
    {
        const std::lock_guard lock(m_mutex);
        for (auto& [key, entry] : m_latest) {
            all.push_back(std::move(entry));
        }
        m_latest.clear();
        all.insert(all.end(), std::make_move_iterator(m_commands.begin()),
                   std::make_move_iterator(m_commands.end()));
        m_commands.clear();
    }
    std::sort(all.begin(), all.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Received> taken;
    taken.reserve(all.size());
    for (auto& [sequence, received] : all) {
        taken.push_back(std::move(received));
    }
    return taken;
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
