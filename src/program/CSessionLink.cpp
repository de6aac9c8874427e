#include "program/CSessionLink.h"

#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "osc/CSessionClient.h"
#include "program/CCueEngine.h"
#include "program/CDocumentEvents.h"
#include "program/CDocumentGuard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

const QString kOpen = QStringLiteral("/nsm/client/open");
const QString kSave = QStringLiteral("/nsm/client/save");

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Creates `folder` and those above it; a failure carries the system's reason.
FileResult MakeFolder(const QString& folder) {
    const std::string path = LocalPath(folder);
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path), error);
    return error ? FileResult::Failed(path, error.message()) : FileResult::Done(path);
}

} // namespace

CSessionLink::CSessionLink(CControllerDoc& doc, CDocumentGuard& guard, CDocumentEvents& events,
                           const QString& url, QObject* parent)
    : QObject(parent), m_doc(doc), m_guard(guard), m_events(events),
      m_client(new CSessionClient(url, this)), m_announceTimer(new QTimer(this)) {
    QGuiApplication::setQuitOnLastWindowClosed(false); // hidden windows do not end the program
    connect(m_client, &CSessionClient::openRequested, this,
            [this](const QString& path) { OnOpen(path); });
    connect(m_client, &CSessionClient::saveRequested, this, &CSessionLink::OnSave);
    connect(m_client, &CSessionClient::guiRequested, this, &CSessionLink::ShowWindows);
    connect(m_client, &CSessionClient::announced, this, [this] {
        m_announceTimer->stop();
        const QWindowList windows = QGuiApplication::topLevelWindows();
        m_client->SetGuiShown(
            std::any_of(windows.begin(), windows.end(),
                        [](const QWindow* window) { return window->isVisible(); }));
    });
    connect(m_client, &CSessionClient::announceFailed, this, &CSessionLink::GiveUp);
    connect(&m_events, &CDocumentEvents::dirtyChanged, this, [this](bool dirty) {
        if (!m_document.empty()) {
            m_client->SetDirty(dirty);
        }
    });
    if (!m_client->IsListening()) {
        QTimer::singleShot(0, this, [this] { GiveUp(m_client->Why()); });
        return;
    }
    m_announceTimer->setSingleShot(true);
    connect(m_announceTimer, &QTimer::timeout, this,
            [this] { GiveUp(QStringLiteral("the session manager did not answer")); });
    m_announceTimer->start(kAnnounceTimeoutMs);
    m_client->Announce(QString::fromLatin1(kApplicationName),
                       QFileInfo(QCoreApplication::applicationFilePath()).fileName(),
                       QCoreApplication::applicationPid());
}

CSessionLink::~CSessionLink() = default;

void CSessionLink::GiveUp(const QString& why) {
    if (!m_active || !m_document.empty()) {
        return;
    }
    m_active = false;
    m_announceTimer->stop();
    emit ended(why);
}

void CSessionLink::OnOpen(const QString& path) {
    if (!m_active) {
        return;
    }
    m_announceTimer->stop(); // an open is an answer too
    // The manager names each member by an absolute path; anything else would land beside
    // wherever the program was started.
    if (!QDir::isAbsolutePath(path) || path.endsWith(QLatin1Char('/'))) {
        m_client->Fail(kOpen, CSessionClient::BadProject,
                       QStringLiteral("not an absolute path to a file: \"%1\"").arg(path));
        return;
    }
    CControllerDoc& doc = m_doc;
    const QString file = path + QStringLiteral(".ocont2");
    // Checked before anything changes: an open that fails leaves the program as it was.
    const QString show = path + QStringLiteral(".oshow");
    const bool hasShow = m_cues && QFileInfo::exists(show);
    if (hasShow) {
        if (const ShowRead read = ReadShowFile(LocalPath(show)); !read.file) {
            m_client->Fail(kOpen, CSessionClient::BadProject,
                           QStringLiteral("cannot read %1: %2")
                               .arg(show, QString::fromLocal8Bit(read.file.reason)));
            return;
        }
    }
    if (QFileInfo::exists(file)) {
        const FileRead read = ReadControllerFileText(LocalPath(file));
        if (!read) {
            m_client->Fail(kOpen, CSessionClient::BadProject,
                           QStringLiteral("cannot read %1: %2")
                               .arg(file, QString::fromLocal8Bit(read.reason)));
            return;
        }
        const CControllerDoc::ChangeScope load(doc, ChangeOrigin::Load);
        doc.SetName(LocalPath(file));
        ApplyControllerFileText(doc, read.text, false);
    } else {
        // A new member of the session starts on the default setup, on disk at once.
        CControllerDoc fresh;
        fresh.NewDocument();
        FileResult created = MakeFolder(QFileInfo(file).absolutePath());
        if (created) {
            created = WriteControllerFile(fresh, LocalPath(file));
        }
        if (!created) {
            m_client->Fail(kOpen, CSessionClient::CreateFailed,
                           QStringLiteral("cannot write %1: %2")
                               .arg(file, QString::fromLocal8Bit(created.reason)));
            return;
        }
        const CControllerDoc::ChangeScope load(doc, ChangeOrigin::Load);
        doc.NewDocument();
        doc.SetName(LocalPath(file));
    }
    m_document = LocalPath(file);
    m_show = LocalPath(show);
    if (hasShow) {
        static_cast<void>(m_cues->Open(m_show));
    } else if (m_cues) {
        m_cues->Restore(Show{}, false, m_show);
    }
    m_guard.SetSessionDocument(m_document);
    MarkSaved();
    m_client->Reply(kOpen, QStringLiteral("Opened %1").arg(file));
    m_client->SetDirty(false);
    // Changes this session's document lost when the program was ended are offered back
    // now, and only now.
    QTimer::singleShot(0, this, &CSessionLink::documentOpened);
}

void CSessionLink::OnSave() {
    if (m_document.empty()) {
        m_client->Fail(kSave, CSessionClient::General, QStringLiteral("no document is open"));
        return;
    }
    m_doc.SetName(m_document); // the session's file is where the document is saved
    if (const FileResult written = WriteControllerFile(m_doc, m_document); !written) {
        m_client->Fail(kSave, CSessionClient::General,
                       QStringLiteral("cannot write %1: %2")
                           .arg(QFile::decodeName(QByteArray::fromStdString(m_document)),
                                QString::fromLocal8Bit(written.reason)));
        return;
    }
    // An empty list is written only over one that was there, so that its cues are gone.
    if (m_cues && (!m_cues->Cues().empty() || std::filesystem::exists(m_show))) {
        if (const FileResult written = m_cues->Save(m_show); !written) {
            m_client->Fail(kSave, CSessionClient::General,
                           QStringLiteral("cannot write %1: %2")
                               .arg(QFile::decodeName(QByteArray::fromStdString(m_show)),
                                    QString::fromLocal8Bit(written.reason)));
            return;
        }
    }
    MarkSaved();
    m_client->Reply(kSave, QStringLiteral("Saved"));
}

void CSessionLink::MarkSaved() {
    m_guard.MarkSaved(m_doc);
    m_events.Recheck();
}

void CSessionLink::HideWindows() {
    ShowWindows(false);
}

void CSessionLink::ShowWindows(bool shown) {
    emit windowsShownRequested(shown);
    m_client->SetGuiShown(shown);
}
