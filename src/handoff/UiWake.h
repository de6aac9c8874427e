// Wakes the user-interface thread from any thread. Waking is one write to an event
// counter, which neither locks, allocates nor blocks, so JACK's real-time thread may do
// it too; the counter's readiness coalesces a burst of wakes into one `woken` on the
// thread this object lives on. Whoever may outlive this object (a worker let go at close)
// keeps the counter itself: a late wake then goes to a live counter that nobody reads.
#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

class WakeCounter {
public:
    WakeCounter();
    ~WakeCounter();
    WakeCounter(const WakeCounter&) = delete;
    WakeCounter& operator=(const WakeCounter&) = delete;

    // Any thread.
    void Wake() const;
    // The reader's: takes every wake so far.
    void Reset() const;
    int Descriptor() const { return m_fd; }

private:
    int m_fd = -1;
};

class CUiWake : public QObject {
    Q_OBJECT
public:
    explicit CUiWake(QObject* parent = nullptr);
    ~CUiWake() override;

    // Any thread.
    void Wake() const { m_counter->Wake(); }
    const std::shared_ptr<WakeCounter>& Counter() const { return m_counter; }

signals:
    // On this object's thread, once for every wake or burst of wakes before it.
    void woken();

private:
    std::shared_ptr<WakeCounter> m_counter;
    QSocketNotifier* m_notifier = nullptr;
};
