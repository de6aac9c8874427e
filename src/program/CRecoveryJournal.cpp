#include "program/CRecoveryJournal.h"

#include "model/AtomicFile.h"
#include "model/ControllerFile.h"
#include "model/RegularFile.h"
#include "model/ShowFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

constexpr const char* kTextSuffix = ".ocont2";

// A document's path, with room for the session mark: a longer name file is not one of ours.
constexpr std::size_t kNameLimit = 4200;

// A name file, or nothing when it is not a small regular file.
std::string ReadNameFile(const std::string& path) {
    FileRead read = ReadRegularFile(path, kNameLimit + 1);
    return read.text.size() > kNameLimit ? std::string() : std::move(read.text);
}

// What the lock file of another run says before QLockFile is let near it: QLockFile would
// wait for ever on a FIFO, and takes an empty lock for a live one whatever its age.
enum class LockState {
    Absent,
    Readable,  // names a process: QLockFile tells whether it still runs
    Stale,     // was empty or unreadable and nobody held it: removed
    Untouched, // held by a live program, or not a file: neither offered nor touched
};

LockState InspectLock(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return errno == ENOENT ? LockState::Absent : LockState::Untouched;
    }
    if (!S_ISREG(status.st_mode)) {
        return LockState::Untouched;
    }
    if (const OpenedFile opened = OpenRegularFileForReading(path)) {
        const int fd = opened.fd;
        // A live run holds its lock file locked from its creation on, before it writes it.
        if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
            ::close(fd);
            return LockState::Untouched;
        }
        char head[32] = {};
        const ssize_t got = ::read(fd, head, sizeof head);
        long long pid = 0;
        const char* end = head + std::max<ssize_t>(got, 0);
        const auto [stop, error] = std::from_chars(head, end, pid);
        const bool namesProcess = error == std::errc() && pid > 0 && (stop == end || *stop == '\n');
        // Removed only when the path still leads to the file looked at.
        struct stat looked {};
        const bool same = ::fstat(fd, &looked) == 0 && looked.st_ino == status.st_ino &&
                          looked.st_dev == status.st_dev;
        ::close(fd);
        if (namesProcess) {
            return LockState::Readable;
        }
        if (!same) {
            return LockState::Untouched;
        }
    }
    return ::unlink(path.c_str()) == 0 ? LockState::Stale : LockState::Untouched;
}

// Why the journal folder cannot take this run's files.
std::string FolderFailure(const QString& folder) {
    const std::string path = LocalPath(folder);
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error) {
        return error.message();
    }
    if (::access(path.c_str(), W_OK | X_OK) != 0) {
        return std::strerror(errno);
    }
    return "the lock file cannot be made";
}

// Process, start time and a count: two journals opened in one millisecond by one process
// must not share a file.
QString NewRunId() {
    static std::atomic<int> journals{0};
    return QStringLiteral("run-%1-%2-%3")
        .arg(QCoreApplication::applicationPid())
        .arg(QDateTime::currentMSecsSinceEpoch())
        .arg(journals.fetch_add(1));
}

} // namespace

CRecoveryJournal::CRecoveryJournal(QString folder)
    : m_folder(std::move(folder)), m_id(NewRunId()), m_folderPath(LocalPath(m_folder)),
      m_textPath(LocalPath(TextFile(m_id))), m_namePath(LocalPath(NameFile(m_id))),
      m_cuesPath(LocalPath(CuesFile(m_id))) {}

CRecoveryJournal::~CRecoveryJournal() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable()) {
        // The last text handed over must be on disk, or removed, before the lock that says
        // whose journal it is goes: at most one write of the document waits here.
        m_worker.join();
    }
    ReleaseOrphans();
    if (m_lock) {
        m_lock->unlock();
    }
}

QString CRecoveryJournal::TextFile(const QString& id) const {
    return QDir(m_folder).filePath(id + QLatin1String(kTextSuffix));
}

QString CRecoveryJournal::NameFile(const QString& id) const {
    return QDir(m_folder).filePath(id + QStringLiteral(".name"));
}

QString CRecoveryJournal::CuesFile(const QString& id) const {
    return QDir(m_folder).filePath(id + QStringLiteral(".oshow"));
}

QString CRecoveryJournal::LockFile(const QString& id) const {
    return QDir(m_folder).filePath(id + QStringLiteral(".lock"));
}

bool CRecoveryJournal::Exists() const {
    return QFileInfo::exists(FileName());
}

FileResult CRecoveryJournal::Lock() {
    if (!m_lock) {
        QDir().mkpath(m_folder);
        m_lock = std::make_unique<QLockFile>(LockFile(m_id));
        m_lock->setStaleLockTime(0);
        static_cast<void>(m_lock->tryLock(0));
    }
    if (m_lock->isLocked()) {
        return FileResult::Done(LocalPath(m_folder));
    }
    return FileResult::Failed(LocalPath(m_folder), FolderFailure(m_folder));
}

void CRecoveryJournal::EnsureWorker() {
    Lock(); // a journal is never left without the lock that says whose it is
    if (!m_worker.joinable()) {
        m_worker = std::thread([this] { Work(); });
    }
}

void CRecoveryJournal::Post(std::string documentName, std::string text, std::string cues) {
    EnsureWorker();
    {
        const std::lock_guard lock(m_mutex);
        m_waiting = Job{false, std::move(documentName), std::move(text), std::move(cues)};
    }
    m_wake.notify_one();
}

void CRecoveryJournal::PostRemove() {
    if (!m_worker.joinable()) {
        return; // nothing was ever written by this run
    }
    {
        const std::lock_guard lock(m_mutex);
        m_waiting = Job{true, {}, {}, {}};
    }
    m_wake.notify_one();
}

FileResult CRecoveryJournal::Flush() {
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return !m_waiting && !m_busy; });
    return m_lastWrite;
}

FileResult CRecoveryJournal::LastWrite() const {
    const std::lock_guard lock(m_mutex);
    return m_lastWrite;
}

void CRecoveryJournal::Work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_waiting || m_stop; });
        if (!m_waiting) {
            break; // stopping with nothing left to write
        }
        const Job job = std::move(*m_waiting);
        m_waiting.reset();
        m_busy = true;
        lock.unlock();
        FileResult done = Do(job);
        lock.lock();
        m_busy = false;
        m_lastWrite = std::move(done);
        m_done.notify_all();
    }
}

FileResult CRecoveryJournal::Do(const Job& job) {
    if (job.remove) {
        ::unlink(m_textPath.c_str());
        ::unlink(m_namePath.c_str());
        ::unlink(m_cuesPath.c_str());
        return FileResult::Done(m_textPath);
    }
    // A folder removed while the program runs is made again (its parent made at the lock).
    ::mkdir(m_folderPath.c_str(), 0777);
    ++m_writes;
    // The name first: the text file's presence is what announces a journal.
    FileResult written = ReplaceFileContents(m_namePath, job.name);
    if (written && !job.cues.empty()) {
        written = ReplaceFileContents(m_cuesPath, job.cues);
    } else if (written) {
        ::unlink(m_cuesPath.c_str()); // the cue list's changes were saved meanwhile
    }
    return written ? ReplaceFileContents(m_textPath, job.text) : written;
}

std::vector<CRecoveryJournal::Orphan> CRecoveryJournal::TakeOrphans(bool* unexpectedEnd) {
    if (unexpectedEnd) {
        *unexpectedEnd = false;
    }
    // Without QDir::System no FIFO, socket or device is listed.
    const QDir folder(m_folder);
    QStringList ids;
    for (const QString& file : folder.entryList({QStringLiteral("*.lock")}, QDir::Files)) {
        ids << QFileInfo(file).completeBaseName();
    }
    for (const QString& file : folder.entryList({QStringLiteral("*.ocont2")}, QDir::Files)) {
        ids << QFileInfo(file).completeBaseName();
    }
    ids.removeDuplicates();
    ids.removeAll(m_id);
    // Newest first, so that a cap on how many are taken keeps the most recent work.
    std::vector<std::pair<QDateTime, QString>> byAge;
    for (const QString& id : ids) {
        byAge.emplace_back(QFileInfo(TextFile(id)).lastModified(), id);
    }
    std::sort(byAge.begin(), byAge.end(), [](const auto& a, const auto& b) { return a > b; });
    std::vector<Orphan> orphans;
    m_orphansLeft = 0;
    for (const auto& [lastChanged, id] : byAge) {
        const LockState state = InspectLock(LocalPath(LockFile(id)));
        if (state == LockState::Untouched) {
            continue;
        }
        const bool hasText = lastChanged.isValid();
        if (hasText && orphans.size() >= kMaxOrphans) {
            ++m_orphansLeft; // offered once the newer ones are settled
            continue;
        }
        auto lock = std::make_unique<QLockFile>(LockFile(id));
        lock->setStaleLockTime(0); // only a run that is gone lets go, however old its lock
        if (!lock->tryLock(0)) {
            continue; // its program still runs
        }
        if (state != LockState::Absent && unexpectedEnd) {
            *unexpectedEnd = true;
        }
        if (!hasText) {
            lock->unlock(); // a run that ended unexpectedly with nothing unsaved
            QFile::remove(NameFile(id));
            QFile::remove(CuesFile(id));
            continue;
        }
        // A missing, odd or oversized name file leaves the document unnamed.
        const std::string name = ReadNameFile(LocalPath(NameFile(id)));
        orphans.push_back({id, name, lastChanged});
        m_orphanLocks.emplace_back(id, std::move(lock));
    }
    return orphans;
}

FileRead CRecoveryJournal::OrphanText(const Orphan& orphan) const {
    return ReadControllerFileText(LocalPath(TextFile(orphan.id)));
}

std::optional<std::string> CRecoveryJournal::OrphanCues(const Orphan& orphan) const {
    FileRead read = ReadRegularFile(LocalPath(CuesFile(orphan.id)), ShowFileReadLimit() + 1);
    if (!read || read.text.size() > ShowFileReadLimit()) {
        return std::nullopt;
    }
    return std::move(read.text);
}

void CRecoveryJournal::DiscardOrphan(const Orphan& orphan) {
    QFile::remove(TextFile(orphan.id));
    QFile::remove(NameFile(orphan.id));
    QFile::remove(CuesFile(orphan.id));
    const auto held =
        std::find_if(m_orphanLocks.begin(), m_orphanLocks.end(),
                     [&orphan](const auto& entry) { return entry.first == orphan.id; });
    if (held != m_orphanLocks.end()) {
        held->second->unlock();
        m_orphanLocks.erase(held);
    }
}

void CRecoveryJournal::ReleaseOrphans() {
    for (auto& [id, lock] : m_orphanLocks) {
        lock->unlock();
    }
    m_orphanLocks.clear();
}
