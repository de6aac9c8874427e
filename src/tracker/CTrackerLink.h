// The "The Kestrel" switch behind the main window's toggle: binds the tracker library on
// switch-on, runs one CTheKestrelThread while on, and hands each new position to the
// user-interface thread, where it is emitted as a source position. It also says, for the
// toggle, whether the tracker runs and what it is doing.
//
// Positions cross threads in one place: the worker leaves them in its mailbox and wakes
// this object's thread, which drains the mailbox. Only the current worker's mailbox is
// read, so a position from a worker that was switched off is dropped, and nothing is
// emitted once this object is gone.
#pragma once

#include "tracker/CTheKestrelThread.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class CUiWake;

class CTrackerLink : public QObject {
    Q_OBJECT

public:
    enum class State {
        Off,
        Unavailable,    // off: the library or one of its entries is missing
        WaitingForTurn, // on: the previous worker's last read has not ended yet
        Searching,      // on: nothing heard from the tracker yet
        NoTracker,      // on: the tracker does not answer
        Tracking,       // on: the tracker answers
    };

    explicit CTrackerLink(QObject* parent = nullptr);
    // Stops every worker within CTheKestrelThread::kFinishBound in all.
    ~CTrackerLink() override;

    // The library file to bind instead of the usual search; empty for the search.
    void SetLibraryFileName(const QString& fileName) { m_libraryFileName = fileName; }

    // Switch-on binds the library and starts a worker; switch-off stops it and returns at
    // once. Either way StateChanged says what runs.
    void SetOn(bool on);
    bool IsOn() const { return m_current != nullptr; }
    State CurrentState() const { return m_state; }
    QString StatusText() const;

    // Stops every worker, waiting a short bound for them; called before the window goes.
    void Shutdown();

signals:
    // A new tracker position as the source's position values (SourcePositionFromTracker),
    // on this object's thread.
    void PositionArrived(double x, double y, double z);
    void StateChanged(bool on, const QString& statusText);

private:
    void Drain();
    void SetState(State state);
    void ReapEnded();

    QString m_libraryFileName;
    QString m_libraryError;
    State m_state = State::Off;
    CUiWake* m_wake;
    std::unique_ptr<CTheKestrelThread> m_current;
    // Switched off but perhaps still inside a read; joined once they have ended.
    std::vector<std::unique_ptr<CTheKestrelThread>> m_stopping;
};
