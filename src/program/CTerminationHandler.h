// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the user-interface thread, so the
// program can keep unsaved work, close its main window and end as on a normal exit. The
// signal handler only writes one byte into a socket; a socket notifier wakes the event loop,
// so nothing polls. The handler is installed without SA_RESTART and the signal is passed on
// to the user-interface thread, so a system call that thread is blocked in returns at once.
// Should that thread still not end the program (it is stuck), a watchdog ends it after
// watchdogSeconds as the signal would have.
#pragma once

#include <QObject>

class QSocketNotifier;

class CTerminationHandler : public QObject {
    Q_OBJECT

public:
    static constexpr unsigned kWatchdogSeconds = 5;

    // Made on the user-interface thread; only one exists at a time.
    explicit CTerminationHandler(QObject* parent = nullptr,
                                 unsigned watchdogSeconds = kWatchdogSeconds);
    // Gives the signals back their default action and stops a running watchdog: from then
    // on a further signal ends the program at once.
    ~CTerminationHandler() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void OnReadable();

    QSocketNotifier* m_notifier = nullptr;
};
