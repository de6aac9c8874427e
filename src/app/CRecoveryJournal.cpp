#include "app/CRecoveryJournal.h"

#include "model/AtomicFile.h"
#include "model/ControllerFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>
#include <atomic>

namespace {

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

constexpr const char* kTextSuffix = ".ocont2";

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
    : m_folder(std::move(folder)), m_id(NewRunId()) {}

CRecoveryJournal::~CRecoveryJournal() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable()) {
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

QString CRecoveryJournal::LockFile(const QString& id) const {
    return QDir(m_folder).filePath(id + QStringLiteral(".lock"));
}

bool CRecoveryJournal::Exists() const {
    return QFileInfo::exists(FileName());
}

void CRecoveryJournal::Lock() {
    if (m_lock) {
        return;
    }
    QDir().mkpath(m_folder);
    m_lock = std::make_unique<QLockFile>(LockFile(m_id));
    m_lock->setStaleLockTime(0);
    static_cast<void>(m_lock->tryLock(0));
}

void CRecoveryJournal::EnsureWorker() {
    Lock(); // a journal is never left without the lock that says whose it is
    if (!m_worker.joinable()) {
        m_worker = std::thread([this] { Work(); });
    }
}

void CRecoveryJournal::Post(std::string documentName, std::string text) {
    EnsureWorker();
    {
        const std::lock_guard lock(m_mutex);
        m_waiting = Job{false, std::move(documentName), std::move(text)};
    }
    m_wake.notify_one();
}

void CRecoveryJournal::PostRemove() {
    if (!m_worker.joinable()) {
        return; // nothing was ever written by this run
    }
    {
        const std::lock_guard lock(m_mutex);
        m_waiting = Job{true, {}, {}};
    }
    m_wake.notify_one();
}

bool CRecoveryJournal::Flush() {
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return !m_waiting && !m_busy; });
    return m_lastWriteOk;
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
        const bool ok = Do(job);
        lock.lock();
        m_busy = false;
        m_lastWriteOk = ok;
        m_done.notify_all();
    }
}

bool CRecoveryJournal::Do(const Job& job) {
    if (job.remove) {
        QFile::remove(TextFile(m_id));
        QFile::remove(NameFile(m_id));
        return true;
    }
    if (!QDir().mkpath(m_folder)) {
        return false;
    }
    ++m_writes;
    // The name first: the text file's presence is what announces a journal.
    return ReplaceFileContents(LocalPath(NameFile(m_id)), job.name) &&
           ReplaceFileContents(LocalPath(TextFile(m_id)), job.text);
}

std::vector<CRecoveryJournal::Orphan> CRecoveryJournal::TakeOrphans(bool* unexpectedEnd) {
    if (unexpectedEnd) {
        *unexpectedEnd = false;
    }
    std::vector<Orphan> orphans;
    const QDir folder(m_folder);
    QStringList ids;
    for (const QString& file : folder.entryList({QStringLiteral("*.lock")}, QDir::Files)) {
        ids << QFileInfo(file).completeBaseName();
    }
    for (const QString& file : folder.entryList({QStringLiteral("*.ocont2")}, QDir::Files)) {
        ids << QFileInfo(file).completeBaseName();
    }
    ids.removeDuplicates();
    for (const QString& id : ids) {
        if (id == m_id) {
            continue;
        }
        const bool lockLeft = QFileInfo::exists(LockFile(id));
        auto lock = std::make_unique<QLockFile>(LockFile(id));
        lock->setStaleLockTime(0); // only a run that is gone lets go, however old its lock
        if (!lock->tryLock(0)) {
            continue; // its program still runs
        }
        if (lockLeft && unexpectedEnd) {
            *unexpectedEnd = true;
        }
        if (!QFileInfo::exists(TextFile(id))) {
            lock->unlock(); // a run that ended unexpectedly with nothing unsaved
            QFile::remove(NameFile(id));
            continue;
        }
        QFile nameFile(NameFile(id));
        std::string name;
        if (nameFile.open(QIODevice::ReadOnly)) {
            name = nameFile.readAll().toStdString();
        }
        orphans.push_back({id, name, QFileInfo(TextFile(id)).lastModified()});
        m_orphanLocks.emplace_back(id, std::move(lock));
    }
    std::sort(orphans.begin(), orphans.end(),
              [](const Orphan& a, const Orphan& b) { return a.lastChanged > b.lastChanged; });
    return orphans;
}

std::optional<std::string> CRecoveryJournal::OrphanText(const Orphan& orphan) const {
    return ReadControllerFileText(LocalPath(TextFile(orphan.id)));
}

void CRecoveryJournal::DiscardOrphan(const Orphan& orphan) {
    QFile::remove(TextFile(orphan.id));
    QFile::remove(NameFile(orphan.id));
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
