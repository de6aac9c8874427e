// The recovery journal of one running program: the unsaved document, kept on disk so that
// a SIGKILL, a crash, a lost display or a power cut loses at most the last moment's work.
// Each run writes its own files, named after the run and held by a lock file, so programs
// running side by side never touch each other's journal; a journal whose lock is stale
// belongs to a run that is gone and is offered at the next start. Writing happens on a
// worker thread: the user-interface thread hands over the text and never waits for the disk.
// The folder is shared with whatever else may land in it: its files are read only when they
// are regular files, and only as much of each as a journal can hold.
#pragma once

#include "model/FileResult.h"

#include <QDateTime>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class QLockFile;

class CRecoveryJournal {
public:
    // A journal left by a run that is gone.
    struct Orphan {
        QString id;
        std::string documentName;
        QDateTime lastChanged;
    };

    explicit CRecoveryJournal(QString folder);
    // Writes what waits, then lets go of the lock: the journal stays for the next start
    // unless it was removed.
    ~CRecoveryJournal();
    CRecoveryJournal(const CRecoveryJournal&) = delete;
    CRecoveryJournal& operator=(const CRecoveryJournal&) = delete;

    // Takes this run's lock: from now on other programs see that the run is alive. Fails
    // when the folder cannot be written, the reason then saying why.
    FileResult Lock();
    // This run's journal file (its document text).
    QString FileName() const { return TextFile(m_id); }
    bool Exists() const;

    // Hands the document's name and text to the worker, replacing what still waits, with the
    // cue list's show text when it holds unsaved changes too (empty: none).
    void Post(std::string documentName, std::string text, std::string cues = {});
    // Hands over a removal, replacing a write that still waits.
    void PostRemove();
    // Waits until everything handed over is done; the last write's result.
    FileResult Flush();
    // The last write's result without waiting: its reason says why it failed.
    FileResult LastWrite() const;
    // How many times this run has written its journal.
    int WriteCount() const { return m_writes.load(); }

    // The journals of runs that are gone, newest first and at most kMaxOrphans of them (each
    // holds a lock, and so a file descriptor, until it is settled); their locks are taken, so
    // no other program offers them at the same time. `unexpectedEnd` tells whether a run
    // ended without letting go of its lock (killed, crashed, lost its display, lost power).
    // A lock file that is empty or cannot be read (not yet on disk when the power went) is
    // stale unless a live program holds it.
    static constexpr std::size_t kMaxOrphans = 200;
    std::vector<Orphan> TakeOrphans(bool* unexpectedEnd = nullptr);
    // How many journals of runs that are gone the last TakeOrphans left for later (the cap).
    std::size_t OrphansLeft() const { return m_orphansLeft; }
    // Reads an orphan's text; a failure says why it could not be read.
    FileRead OrphanText(const Orphan& orphan) const;
    // An orphan's cue list text; nothing when it kept none or it cannot be read.
    std::optional<std::string> OrphanCues(const Orphan& orphan) const;
    // The file that holds an orphan's text.
    QString OrphanFile(const Orphan& orphan) const { return TextFile(orphan.id); }
    // Removes an orphan's files and lets go of its lock.
    void DiscardOrphan(const Orphan& orphan);
    // Lets go of the orphans taken and not discarded: they are offered again next time.
    void ReleaseOrphans();

private:
    struct Job {
        bool remove = false;
        std::string name;
        std::string text;
        std::string cues;
    };

    QString TextFile(const QString& id) const;
    QString NameFile(const QString& id) const;
    QString CuesFile(const QString& id) const;
    QString LockFile(const QString& id) const;
    void EnsureWorker();
    void Work();
    FileResult Do(const Job& job);

    QString m_folder;
    QString m_id;
    // This run's files as the worker writes them, made once: the worker may still write
    // while exit() takes the program's static objects down.
    std::string m_folderPath;
    std::string m_textPath;
    std::string m_namePath;
    std::string m_cuesPath;
    std::unique_ptr<QLockFile> m_lock;
    std::vector<std::pair<QString, std::unique_ptr<QLockFile>>> m_orphanLocks;
    std::size_t m_orphansLeft = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::optional<Job> m_waiting;
    bool m_busy = false;
    bool m_stop = false;
    FileResult m_lastWrite = FileResult::Done({});
    std::atomic<int> m_writes{0};
    std::thread m_worker;
};
