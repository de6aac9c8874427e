#include "midi/JackServerWatcher.h"

#include <array>
#include <cstdlib>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

std::string ServerName() {
    const char* name = std::getenv("JACK_DEFAULT_SERVER");
    return name && *name ? name : "default";
}

} // namespace

JackServerWatcher::JackServerWatcher()
    : m_socketName("jack_" + ServerName() + "_" + std::to_string(::getuid()) + "_0") {}

std::string JackServerWatcher::SocketPath() const {
    return std::string(kDirectory) + "/" + m_socketName;
}

bool JackServerWatcher::Open() {
    m_inotifyFd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    m_watching = m_inotifyFd >= 0 && ::pipe2(m_stopPipe, O_CLOEXEC | O_NONBLOCK) == 0 &&
                 ::inotify_add_watch(m_inotifyFd, kDirectory, IN_CREATE | IN_MOVED_TO) >= 0;
    return m_watching;
}

void JackServerWatcher::Start(std::function<void()> first, std::function<void()> serverMayBeBack) {
    if (m_watching || first) {
        m_thread = std::thread(
            [this, first = std::move(first), serverMayBeBack = std::move(serverMayBeBack)] {
                if (first) {
                    first();
                }
                if (m_watching) {
                    Watch(serverMayBeBack);
                }
            });
    }
}

void JackServerWatcher::Watch(const std::function<void()>& serverMayBeBack) {
    std::array<char, 4096> events{};
    while (!m_stopping) {
        pollfd waits[2] = {{m_inotifyFd, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0) {
            continue;
        }
        bool look = false;
        if (waits[1].revents & POLLIN) {
            char byte = 0;
            static_cast<void>(::read(m_stopPipe[0], &byte, 1));
            look = true; // a shutdown: the server may already be back
        }
        if (waits[0].revents & POLLIN) {
            const ssize_t got = ::read(m_inotifyFd, events.data(), events.size());
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(&events[at]);
                if (event->len > 0 && m_socketName == event->name) {
                    look = true;
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        if (look && !m_stopping) {
            serverMayBeBack();
        }
    }
}

void JackServerWatcher::Wake() {
    const char wake = 1;
    static_cast<void>(::write(m_stopPipe[1], &wake, 1));
}

void JackServerWatcher::Stop() {
    m_stopping = true;
    if (m_thread.joinable()) {
        // The thread works on the backend's state, which goes next, so it cannot be let go.
        // The join waits at most for one connection attempt in progress, which libjack
        // bounds by its client time-out; no further attempt starts once m_stopping is set.
        const char wake = 0;
        static_cast<void>(::write(m_stopPipe[1], &wake, 1));
        m_thread.join();
    }
    for (int fd : {m_inotifyFd, m_stopPipe[0], m_stopPipe[1]}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}
