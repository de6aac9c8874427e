#include "program/CControllerApp.h"

#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "program/CControllerMidiIn.h"
#include "program/CCueEngine.h"
#include "program/CDocumentEvents.h"
#include "program/CLiveInput.h"
#include "program/COscFeedback.h"
#include "program/CProcessorLink.h"
#include "program/CSessionLink.h"
#include "program/CUndoHistory.h"
#include "program/CommandLine.h"
#include "program/DocumentNotices.h"
#include "program/ProgramSettings.h"
#include "tracker/CTrackerLink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSettings>
#include <QTimer>

#include <cstdio>

namespace {

const QString kLastDocumentKey = QStringLiteral("Last Document");
const QString kNewDocument = QString::fromLatin1(CControllerDoc::kNewDocument);

QSettings Store() {
    return ProgramSettings();
}

} // namespace

CControllerApp::CControllerApp(MidiBackend& midi, QObject* parent)
    : QObject(parent), m_strLastDocument(kNewDocument), m_midi(midi),
      m_pDoc(std::make_unique<CControllerDoc>()) {
    ReadLastDocument();
    m_strWorkingDir = QDir::currentPath();

    m_events = new CDocumentEvents(*m_pDoc, m_guard, this);
    // The journal keeps up with the changes, each at most kJournalDelayMs after it was
    // made; a document back in its saved state has none.
    m_journalTimer = new QTimer(this);
    m_journalTimer->setSingleShot(true);
    m_journalTimer->setInterval(kJournalDelayMs);
    connect(m_journalTimer, &QTimer::timeout, this, [this] { m_guard.Journal(*m_pDoc); });
    connect(m_events, &CDocumentEvents::settled, this, [this] {
        if (m_events->IsDirty() && !m_journalTimer->isActive()) {
            m_journalTimer->start();
        }
    });
    // The cue list's unsaved changes are kept with the document's: the journal goes only
    // when neither holds any, and is written again when one of them still does.
    const auto settle = [this] {
        if (m_events->IsDirty() || m_guard.CuesModified()) {
            if (!m_journalTimer->isActive()) {
                m_journalTimer->start();
            }
        } else {
            m_journalTimer->stop();
            m_guard.DropJournal();
        }
    };
    connect(m_events, &CDocumentEvents::dirtyChanged, this, settle);

    m_link = new CProcessorLink(*m_pDoc, midi, this);
    m_history = new CUndoHistory(*m_pDoc, this);
    m_cues = new CCueEngine(*m_pDoc, *m_link, *m_history, CCueEngine::Clock::now, this);
    m_guard.SetCueEngine(m_cues);
    connect(m_cues, &CCueEngine::listChanged, this, settle);
    m_network = new CNetworkControl(*m_pDoc, m_guard, *m_link, this);
    m_network->SetCueEngine(m_cues);
    m_feedback = new COscFeedback(*m_pDoc, *m_events, this);
    m_remote = new CRemoteControl(*m_pDoc, *m_events, *m_link, *m_cues, this);
    m_oscQuery = new COscQueryControl(*m_pDoc, *m_events, *m_network, this);
    m_tracker = new CTrackerLink(this);
    // Each of the tracker's positions goes out whole, axes the processor already has included.
    connect(m_tracker, &CTrackerLink::PositionArrived, this, [this](double x, double y, double z) {
        CLiveInput(*m_pDoc, *m_link)
            .MoveSource(m_trackedChannel, {x, y, z}, CProcessorLink::Repeat::Send);
    });
    m_midiIn = new CControllerMidiIn(midi, this);
    m_midiIn->Create(this);
    m_midiIn->SetDocumentSource([this] { return m_pDoc.get(); });
}

CControllerApp::~CControllerApp() {
    // The tracker goes first, so that no position arrives while the program comes apart.
    m_tracker->Shutdown();
    m_midiIn->Close();
    WriteLastDocument();
    // The services listen to the document: they go before it.
    delete m_session;
    delete m_midiIn;
    delete m_tracker;
    delete m_oscQuery;
    delete m_network;
    delete m_feedback;
    delete m_remote;
    m_guard.SetCueEngine(nullptr);
    delete m_cues;
    delete m_history;
    delete m_link;
    delete m_events;
}

QString CControllerApp::SettingsFileName() {
    return Store().fileName();
}

void CControllerApp::ReadLastDocument() {
    QSettings store = Store();
    if (!QFileInfo::exists(store.fileName())) {
        // First run: the store is created holding "New Document". When it cannot be
        // created, every exit finds it missing and writes nothing, silently.
        store.setValue(kLastDocumentKey, m_strLastDocument);
        store.sync();
        return;
    }
    m_strLastDocument = store.value(kLastDocumentKey, QString()).toString();
}

void CControllerApp::WriteLastDocument() {
    if (m_session) {
        return; // the session's document is the session's to remember
    }
    m_strLastDocument = QFile::decodeName(QByteArray::fromStdString(m_pDoc->Name()));
    QSettings store = Store();
    // Rewriting an unchanged value would only cost the exit a file write and a sync.
    if (QFileInfo::exists(store.fileName()) &&
        store.value(kLastDocumentKey) != QVariant(m_strLastDocument)) {
        store.setValue(kLastDocumentKey, m_strLastDocument);
        store.sync();
    }
}

QString CControllerApp::UseStartFile(const QString& path, QString* terminalLine) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    FileRead read = ReadControllerFileText(QFile::encodeName(absolute).toStdString());
    QString failure;
    QString line;
    if (!read) {
        const QString reason = QString::fromLocal8Bit(read.reason);
        failure = ImportFailureText(absolute, reason);
        line = QStringLiteral("cannot open %1: %2").arg(absolute, reason);
    } else if (!LooksLikeControllerFile(read.text)) {
        failure =
            QStringLiteral("\"%1\" is not an ORBIS controller file.").arg(ShownPath(absolute));
        line = QStringLiteral("%1 is not an ORBIS controller file").arg(absolute);
    }
    if (terminalLine) {
        *terminalLine = line;
    }
    m_strLastDocument = failure.isEmpty() ? absolute : kNewDocument;
    m_startFileText =
        failure.isEmpty() ? std::optional<std::string>(std::move(read.text)) : std::nullopt;
    m_startFileOpened = failure.isEmpty();
    return failure;
}

QStringList CControllerApp::UseCueFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const ShowRead read = m_cues->Open(QFile::encodeName(absolute).toStdString());
    QStringList lines;
    if (!read.file) {
        lines << QStringLiteral("cannot open %1: %2")
                     .arg(absolute, QString::fromLocal8Bit(read.file.reason));
    }
    for (const std::string& problem : read.problems) {
        lines << QStringLiteral("%1: %2").arg(absolute, QString::fromStdString(problem));
    }
    return lines;
}

QString CControllerApp::Begin() {
    if (std::exchange(m_begun, true)) {
        return {};
    }
    if (JoiningSession()) {
        m_strLastDocument = kNewDocument; // until the manager names the session's document
        m_startFileText.reset();
    }
    // A start file named on the command line was read and checked once already.
    const StartDocument start =
        ReadStartDocument(*m_pDoc, m_strLastDocument, std::exchange(m_startFileText, {}));
    m_guard.MarkSaved(*m_pDoc);
    m_events->Recheck();
    if (m_startFileOpened) {
        WriteLastDocument(); // the last document otherwise is what the store holds
    }
    UseFeedback(NetworkSettings());
    if (QString why; !m_network->Use(NetworkSettings(), &why)) {
        std::fprintf(stderr, "Orbis: no OSC control: %s\n", qPrintable(why));
    }
    if (QString why; !m_oscQuery->Use(OscQuerySettings(), &why)) {
        std::fprintf(stderr, "Orbis: no OSCQuery: %s\n", qPrintable(why));
    }
    if (QString why; !m_remote->Use(RemoteSettings(), &why)) {
        std::fprintf(stderr, "Orbis: no remote page: %s\n", qPrintable(why));
    }
    if (JoiningSession()) {
        m_session = new CSessionLink(*m_pDoc, m_guard, *m_events, m_sessionUrl, this);
        m_session->SetCueEngine(m_cues);
        connect(m_session, &CSessionLink::ended, this,
                [this](const QString& why) { emit sessionLeft(LeaveSession(why)); });
        connect(m_session, &CSessionLink::documentOpened, this,
                &CControllerApp::sessionDocumentOpened);
        connect(m_session, &CSessionLink::windowsShownRequested, this,
                &CControllerApp::windowsShownRequested);
    }
    return start.notice;
}

void CControllerApp::UseNetworkCommandLine(const CommandLine& line) {
    if (line.remotePort) {
        CRemoteControl::Stored remote = CRemoteControl::Load();
        remote.enabled = true;
        remote.port = *line.remotePort;
        remote.address = line.remoteAddress ? QString::fromStdString(*line.remoteAddress)
                                            : QStringLiteral("127.0.0.1");
        if (line.remoteCode) {
            remote.code = QString::fromStdString(*line.remoteCode);
        }
        m_remoteOverride = remote;
    }
    if (line.oscQueryPort) {
        m_oscQueryOverride = COscQueryControl::Stored{true, *line.oscQueryPort};
    }
    if (!line.oscPort && line.oscFeedback.empty()) {
        return;
    }
    CNetworkControl::Stored stored = NetworkSettings();
    if (line.oscPort) {
        stored.enabled = true;
        stored.port = *line.oscPort;
        stored.address = line.oscAddress ? QString::fromStdString(*line.oscAddress)
                                         : QStringLiteral("127.0.0.1");
        stored.firstObject = line.oscFirstObject.value_or(1);
        stored.answerPort = line.oscReplyPort.value_or(COscReceiver::kAnswerPort);
    }
    // Feedback for this run goes to the remembered targets too.
    for (const std::string& target : line.oscFeedback) {
        if (!stored.feedbackTargets.contains(QString::fromStdString(target))) {
            stored.feedbackTargets.append(QString::fromStdString(target));
        }
    }
    // Where to listen is for this run; who may send stays as remembered.
    m_networkOverride = stored;
}

void CControllerApp::UseFeedback(const CNetworkControl::Stored& stored) {
    std::vector<COscFeedback::Target> targets;
    for (const QString& text : stored.feedbackTargets) {
        if (const auto target = COscFeedback::ParseTarget(text)) {
            targets.push_back(*target);
        }
    }
    m_feedback->Use(targets, stored.firstObject);
}

CNetworkControl::Stored CControllerApp::NetworkSettings() const {
    return m_networkOverride.value_or(CNetworkControl::Load());
}

CRemoteControl::Stored CControllerApp::RemoteSettings() const {
    return m_remoteOverride.value_or(CRemoteControl::Load());
}

COscQueryControl::Stored CControllerApp::OscQuerySettings() const {
    return m_oscQueryOverride.value_or(COscQueryControl::Load());
}

CSessionLink* CControllerApp::Session() const {
    return m_session && m_session->IsActive() ? m_session : nullptr;
}

QString CControllerApp::LeaveSession(const QString& why) {
    std::fprintf(stderr, "Orbis: %s; running without a session\n", qPrintable(why));
    QGuiApplication::setQuitOnLastWindowClosed(true);
    m_session->deleteLater();
    m_session = nullptr;
    // As a start without a manager: the last document, unless something was changed already.
    ReadLastDocument();
    QString notice;
    if (!m_events->IsDirty()) {
        notice = ReadStartDocument(*m_pDoc, m_strLastDocument, std::nullopt).notice;
        m_guard.MarkSaved(*m_pDoc);
        m_events->Recheck();
    }
    return notice;
}

void CControllerApp::SaveForSessionEnd() {
    WriteLastDocument();
    static_cast<void>(m_guard.SaveRecovery(*m_pDoc));
}

void CControllerApp::RequestClose() {
    if (!m_closeRequested) {
        // Nothing more can be done about a recovery file that cannot be written.
        static_cast<void>(m_guard.SaveRecovery(*m_pDoc));
    }
    m_closeRequested = true;
    emit closeRequested();
    // Leaves any modal window's loop too (a file dialog, the About box), not only the main one.
    QCoreApplication::exit(0);
}

void CControllerApp::MarkSaved() {
    m_guard.MarkSaved(*m_pDoc);
    m_events->Recheck();
    if (!m_session) {
        // Remembered at once, not only at a normal exit: a killed program opens it next time.
        WriteLastDocument();
    }
}

void CControllerApp::ToggleRawValues() {
    m_pDoc->ShowRawValues = !m_pDoc->ShowRawValues;
    m_events->TellDisplayModeChanged();
}
