// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the user-interface thread, so the
// program can close its main window and end as on a normal exit. The signal handler only
// writes one byte into a pipe; a socket notifier wakes the event loop, so nothing polls.
#pragma once

#include <QObject>

class QSocketNotifier;

class CTerminationHandler : public QObject {
    Q_OBJECT

public:
    explicit CTerminationHandler(QObject* parent = nullptr);
    ~CTerminationHandler() override;

signals:
    void terminationRequested(int signalNumber);

private:
    void OnReadable();

    QSocketNotifier* m_notifier = nullptr;
};
