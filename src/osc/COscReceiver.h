// OSC control over UDP: a thread of its own receives, decodes and reads each datagram and
// keeps only what the program can use, the latest of each position and value and a few
// commands, in a mailbox whose size is fixed; the user-interface thread is woken once for
// whatever arrived meanwhile. A flood costs this thread, never the window, and never grows
// the program. Datagrams that carry nothing usable, or come from a host not allowed, are
// counted and dropped.
#pragma once

#include "osc/OscControl.h"

#include <QHostAddress>
#include <QList>
#include <QObject>

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

class COscReceiver : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 kAnswerPort = 4002; // where ADM-OSC senders listen for answers
    static constexpr std::size_t kMaxWaitingCommands = 64;

    struct Settings {
        QHostAddress address = QHostAddress(QHostAddress::LocalHost);
        quint16 port = 0;
        int firstObject = 1;
        quint16 answerPort = kAnswerPort;
        QList<QHostAddress> allowedHosts; // empty: any host that reaches the address
    };
    struct Received {
        OscCommand command;
        QHostAddress sender;
    };

    explicit COscReceiver(QObject* parent = nullptr);
    ~COscReceiver() override;

    // Listens as `settings` say; false with the reason when the port cannot be opened.
    bool Start(const Settings& settings, QString* why = nullptr);
    void Stop();
    bool IsListening() const { return m_socket >= 0; }
    quint16 Port() const { return m_boundPort; }
    const Settings& CurrentSettings() const { return m_settings; }

    // What arrived since the last call, oldest first, the latest of each position and value.
    std::vector<Received> Take();
    // Datagrams and messages dropped since the start.
    std::uint64_t Dropped() const { return m_dropped.load(); }
    // Answers a query: sent to the asking host on the answer port.
    void Answer(const QHostAddress& to, const OscMessage& message);

signals:
    void arrived();

private:
    void Run();
    void Keep(const OscCommand& command, const QHostAddress& sender);

    Settings m_settings;
    int m_socket = -1;
    int m_stopPipe[2] = {-1, -1};
    quint16 m_boundPort = 0;
    std::thread m_thread;
    std::atomic<std::uint64_t> m_dropped{0};
    std::atomic<bool> m_wakePending{false};

    std::mutex m_mutex;
    std::uint64_t m_sequence = 0;
    // Positions and values by (kind, channel, row): the latest, with when it first waited.
    std::map<std::tuple<int, int, int>, std::pair<std::uint64_t, Received>> m_latest;
    std::deque<std::pair<std::uint64_t, Received>> m_commands; // sends, presets, queries
};
