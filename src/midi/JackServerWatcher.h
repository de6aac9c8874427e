// Waits, without polling, for a stopped JACK server to come back: a thread that sleeps on
// inotify until the server's socket appears again, and that the shutdown callback also
// wakes, because by the time the program hears of a stop the server may already be back.
// The same thread makes the first connection when the program starts in the background.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class JackServerWatcher {
public:
    // Where a JACK2 server puts its socket: jack_<server>_<uid>_0 appears when it starts.
    static constexpr const char* kDirectory = "/dev/shm";

    // For the server named by JACK_DEFAULT_SERVER, or the default one.
    JackServerWatcher();

    // The server's socket, there while the server runs.
    std::string SocketPath() const;

    // Sets up the watch; false when the directory cannot be watched.
    bool Open();
    // Starts the thread when there is something for it to do: `first`, when given, runs on
    // it at once; then, with the watch set up, `serverMayBeBack` runs each time the server's
    // socket appears or Wake is called, until Stop.
    void Start(std::function<void()> first, std::function<void()> serverMayBeBack);
    // From the shutdown callback: never blocks.
    void Wake();
    bool Stopping() const { return m_stopping; }
    // Ends and joins the thread; the rest of the backend then no longer hears from it.
    void Stop();

private:
    void Watch(const std::function<void()>& serverMayBeBack);

    std::string m_socketName;
    bool m_watching = false;
    std::thread m_thread;
    int m_inotifyFd = -1;
    int m_stopPipe[2] = {-1, -1};
    std::atomic<bool> m_stopping{false};
};
