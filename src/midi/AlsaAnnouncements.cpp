#include "midi/AlsaAnnouncements.h"

#include <alsa/asoundlib.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <vector>

bool AnnouncementChangesDevices(int eventType) {
    switch (eventType) {
    case SND_SEQ_EVENT_CLIENT_START:
    case SND_SEQ_EVENT_CLIENT_EXIT:
    case SND_SEQ_EVENT_CLIENT_CHANGE:
    case SND_SEQ_EVENT_PORT_START:
    case SND_SEQ_EVENT_PORT_EXIT:
    case SND_SEQ_EVENT_PORT_CHANGE:
        return true;
    default: // subscriptions and everything else leave the lists as they are
        return false;
    }
}

struct AlsaAnnouncementWatcher::Sequencer {
    snd_seq_t* handle = nullptr;
    ~Sequencer() {
        if (handle) {
            snd_seq_close(handle);
        }
    }
};

AlsaAnnouncementWatcher::AlsaAnnouncementWatcher(std::function<void()> changed)
    : m_changed(std::move(changed)), m_sequencer(std::make_unique<Sequencer>()) {
    snd_seq_t* handle = nullptr;
    if (snd_seq_open(&handle, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
        return;
    }
    m_sequencer->handle = handle;
    snd_seq_set_client_name(handle, "Orbis watcher");
    const int port = snd_seq_create_simple_port(handle, "announcements",
                                                SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                                SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0 ||
        snd_seq_connect_from(handle, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) <
            0 ||
        ::pipe2(m_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_thread = std::thread([this] { Run(); });
}

AlsaAnnouncementWatcher::~AlsaAnnouncementWatcher() {
    if (m_thread.joinable()) {
        // The thread blocks only in poll, which the stop pipe ends: the join is immediate.
        const char stop = 0;
        static_cast<void>(::write(m_stopPipe[1], &stop, 1));
        m_thread.join();
    }
    for (int fd : m_stopPipe) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void AlsaAnnouncementWatcher::Run() {
    snd_seq_t* handle = m_sequencer->handle;
    const int own = snd_seq_client_id(handle);
    const int count = snd_seq_poll_descriptors_count(handle, POLLIN);
    std::vector<pollfd> waits(static_cast<std::size_t>(count) + 1);
    snd_seq_poll_descriptors(handle, waits.data(), static_cast<unsigned>(count), POLLIN);
    waits.back() = {m_stopPipe[0], POLLIN, 0};
    while (true) {
        if (::poll(waits.data(), waits.size(), -1) < 0) {
            continue;
        }
        if (waits.back().revents & POLLIN) {
            return;
        }
        bool changed = false;
        snd_seq_event_t* event = nullptr;
        while (snd_seq_event_input(handle, &event) >= 0 && event) {
            // The watcher's own client coming and going says nothing about devices.
            if (AnnouncementChangesDevices(event->type) && event->data.addr.client != own) {
                changed = true;
            }
        }
        if (changed) {
            m_changed();
        }
    }
}
