// The ALSA sequencer's own notifications of clients and ports that come and go, read from
// its announce port on a thread that sleeps until the sequencer has something to say.
#pragma once

#include <functional>
#include <memory>
#include <thread>

// Whether an announcement of this sequencer event type can change the device lists.
bool AnnouncementChangesDevices(int eventType);

class AlsaAnnouncementWatcher {
public:
    // `changed` runs on the watcher's thread once per batch of announcements that change
    // the lists. Without a sequencer the watcher does nothing.
    explicit AlsaAnnouncementWatcher(std::function<void()> changed);
    ~AlsaAnnouncementWatcher();
    AlsaAnnouncementWatcher(const AlsaAnnouncementWatcher&) = delete;
    AlsaAnnouncementWatcher& operator=(const AlsaAnnouncementWatcher&) = delete;

private:
    void Run();

    std::function<void()> m_changed;
    struct Sequencer;
    std::unique_ptr<Sequencer> m_sequencer;
    int m_stopPipe[2] = {-1, -1};
    std::thread m_thread;
};
