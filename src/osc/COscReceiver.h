// OSC control over UDP: a thread of its own receives, decodes and reads each datagram and
// keeps only what the program can use, the latest of each position and value and a few
// commands, in a mailbox whose size is fixed; the user-interface thread is woken once for
// whatever arrived meanwhile. A flood costs this thread, never the window, and never grows
// the program. Datagrams that carry nothing usable, or come from a host not allowed, are
// counted and dropped. Queries are answered only to the loopback or to hosts on the
// allow-list, a channel's worth per message and a few hundred a second at most, so the
// program never amplifies a datagram towards whoever its source address names.
#pragma once

#include "handoff/Mailbox.h"
#include "osc/OscControl.h"

#include <QHostAddress>
#include <QList>
#include <QObject>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <tuple>
#include <vector>

class CUiWake;

class COscReceiver : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 kAnswerPort = 4002; // where ADM-OSC senders listen for answers
    static constexpr std::size_t kMaxWaitingCommands = 64;
    // More than every object and parameter there is, so only a defect could reach it.
    static constexpr std::size_t kMaxWaitingValues = 4096;
    // Queries answered from one message: every value of one channel.
    static constexpr std::size_t kAnswersPerQuery = 40;
    static constexpr int kAnswersPerSecond = 200;

    struct Settings {
        QHostAddress address = QHostAddress(QHostAddress::LocalHost);
        quint16 port = 0;
        int firstObject = 1;
        quint16 answerPort = kAnswerPort;
        QList<QHostAddress> allowedHosts; // empty: any host; the loopback always
    };
    struct Received {
        OscCommand command;
        QHostAddress sender;
    };

    // Answers allowed over time: kAnswersPerSecond, in bursts of at most as many.
    class AnswerBudget {
    public:
        using Clock = std::chrono::steady_clock;
        // Whether one more answer may go at `now`, spending it if so.
        bool Spend(Clock::time_point now);

    private:
        double m_left = kAnswersPerSecond;
        Clock::time_point m_last{};
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
    // Datagrams, messages, queries and answers dropped since the start.
    std::uint64_t Dropped() const { return m_dropped.load() + m_mailbox.Dropped(); }
    // Answers a query: sent to the asking host on the answer port, when that host may be
    // answered and the budget allows. False when it was not sent.
    bool Answer(const QHostAddress& to, const OscMessage& message);
    // Whether answers may go to `host`: the loopback, or a host on a list the user wrote.
    static bool Answerable(const QHostAddress& host, const QList<QHostAddress>& allowedHosts);

signals:
    void arrived();

private:
    void Run();
    // True when the user-interface thread must be woken.
    bool Keep(const OscCommand& command, const QHostAddress& sender);

    Settings m_settings;
    int m_socket = -1;
    int m_stopPipe[2] = {-1, -1};
    quint16 m_boundPort = 0;
    std::thread m_thread;
    std::atomic<std::uint64_t> m_dropped{0};
    std::atomic<bool> m_stopping{false};
    AnswerBudget m_answerBudget; // the user-interface thread's, which answers

    // Positions and values by (kind, channel, row), the latest of each; sends, presets and
    // queries in order.
    LatestMailbox<std::tuple<int, int, int>, Received> m_mailbox{kMaxWaitingValues,
                                                                 kMaxWaitingCommands};
    CUiWake* m_wake;
};
