#include "app/CControllerApp.h"

#include "app/AcceleratorTable.h"
#include "app/CControllerDlg.h"
#include "app/CDocumentEvents.h"
#include "app/CProcessorLink.h"
#include "app/CSessionLink.h"
#include "app/CommandLine.h"
#include "app/ControlIds.h"
#include "app/DocumentNotices.h"
#include "app/FileCommands.h"
#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

const QString kOrganisation = QStringLiteral("Norvell");
const QString kApplication = QStringLiteral("ORBIS");
const QString kLastDocumentKey = QStringLiteral("Last Document");
const QString kNewDocument = QString::fromLatin1(CControllerDoc::kNewDocument);

QSettings Store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
}

} // namespace

CControllerApp* CControllerApp::s_instance = nullptr;

CControllerDoc* GetControllerDoc() {
    CControllerApp* app = CControllerApp::Instance();
    return app ? app->m_pDoc.get() : nullptr;
}

CControllerApp::CControllerApp(MidiBackend& midi) : m_strLastDocument(kNewDocument), m_midi(midi) {
    s_instance = this;
    ReadLastDocument();
    m_strWorkingDir = QDir::currentPath();
}

CControllerApp::~CControllerApp() {
    WriteLastDocument();
    m_pDoc.reset(); // resets and closes the MIDI output port
    if (s_instance == this) {
        s_instance = nullptr;
    }
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
    if (Session() || m_endedInSession) {
        return; // the session's document is the session's to remember
    }
    m_strLastDocument =
        m_pDoc ? QFile::decodeName(QByteArray::fromStdString(m_pDoc->DocumentName)) : kNewDocument;
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

int CControllerApp::Run() {
    const bool joining = !m_sessionUrl.isEmpty();
    if (joining) {
        m_strLastDocument = kNewDocument; // until the manager names the session's document
        m_startFileText.reset();
    }
    CControllerDlg window(*this);
    AttachMainWindow(&window);
    if (joining) {
        JoinSession(window);
    }
    // Once the window is on screen, which the start does not wait for: the run's lock, then
    // the journals of runs that are gone, asked about over the window. A session's are
    // offered when the manager opens its document.
    QTimer::singleShot(0, &window, [this, &window] {
        QTimer::singleShot(0, &window, [this, &window] {
            m_guard.BeginRun(&window);
            if (!Session() && m_pDoc && m_guard.OfferRecovery(*m_pDoc, &window)) {
                window.UpdateTitle(); // the windows follow the values themselves
            }
        });
    });
    // A lost X server ends the program through exit() from inside the event loop. Static
    // objects made after this hook was registered (the controller file's key table among
    // them) are gone before it runs, so it renders nothing: it lets the journal's worker
    // finish the text it was handed while everything was alive, and the journal stays the
    // last good one.
    static bool s_exitHookInstalled = false;
    if (!std::exchange(s_exitHookInstalled, true)) {
        std::atexit([] {
            if (CControllerApp* app = CControllerApp::Instance()) {
                app->m_guard.FinishJournal();
            }
        });
    }
    if (!m_closeRequested && joining) {
        // Not the dialog's own loop, which a hidden window would end: a session may hide it.
        window.show();
        QEventLoop loop;
        QObject::connect(&window, &QDialog::finished, &loop, &QEventLoop::quit);
        loop.exec();
    } else if (!m_closeRequested) {
        window.exec();
    }
    window.ProcessorLink().Drain();
    AttachMainWindow(nullptr);
    m_endedInSession = Session() != nullptr;
    m_session = nullptr;
    return 0;
}

void CControllerApp::JoinSession(CControllerDlg& window) {
    m_session = new CSessionLink(*this, window, m_sessionUrl);
    QObject::connect(m_session, &CSessionLink::ended, &window,
                     [this, &window](const QString& why) { LeaveSession(window, why); });
}

void CControllerApp::UseNetworkCommandLine(const CommandLine& line) {
    if (!line.oscPort) {
        return;
    }
    CNetworkControl::Stored stored = CNetworkControl::Load();
    stored.enabled = true;
    stored.port = *line.oscPort;
    stored.address =
        line.oscAddress ? QString::fromStdString(*line.oscAddress) : QStringLiteral("127.0.0.1");
    stored.firstObject = line.oscFirstObject.value_or(1);
    stored.answerPort = line.oscReplyPort.value_or(COscReceiver::kAnswerPort);
    // Where to listen is for this run; who may send stays as remembered.
    m_networkOverride = stored;
}

CNetworkControl::Stored CControllerApp::NetworkSettings() const {
    return m_networkOverride.value_or(CNetworkControl::Load());
}

CSessionLink* CControllerApp::Session() const {
    return m_session && m_session->IsActive() ? m_session : nullptr;
}

void CControllerApp::LeaveSession(CControllerDlg& window, const QString& why) {
    std::fprintf(stderr, "Orbis: %s; running without a session\n", qPrintable(why));
    QApplication::setQuitOnLastWindowClosed(true);
    window.show();
    // As a start without a manager: the last document, unless something was changed already.
    ReadLastDocument();
    if (m_pDoc && !window.DocumentEvents().IsDirty()) {
        ReadStartDocument(*m_pDoc, m_strLastDocument, std::nullopt, &window);
        m_guard.MarkSaved(*m_pDoc);
    }
    if (m_pDoc) {
        m_guard.OfferRecovery(*m_pDoc, &window);
    }
    window.UpdateTitle();
}

void CControllerApp::SaveForSessionEnd() {
    WriteLastDocument();
    if (m_pDoc) {
        static_cast<void>(m_guard.SaveRecovery(*m_pDoc));
    }
}

void CControllerApp::RequestClose() {
    if (!m_closeRequested && m_pDoc) {
        // Nothing more can be done about a recovery file that cannot be written.
        static_cast<void>(m_guard.SaveRecovery(*m_pDoc));
    }
    m_closeRequested = true;
    if (m_pControllerDlg) {
        m_pControllerDlg->close();
    }
    // Leaves any modal window's loop too (a file dialog, the About box), not only the main one.
    QCoreApplication::exit(0);
}

void CControllerApp::AttachMainWindow(CControllerDlg* window) {
    m_pControllerDlg = window;
    if (window) {
        InstallAccelerators(*window);
        for (const auto& [command, runner] : m_modalRunners) {
            window->SetModalWindowRunner(command, runner);
        }
    }
}

void CControllerApp::InstallAccelerators(CControllerDlg& window) {
    for (const Accelerator& accelerator : kAccelerators) {
        QAction* action = window.CommandAction(accelerator.command);
        if (accelerator.command == CommandId::Close) {
            // Ctrl+W closes the window it is pressed in: the program only from the main
            // window, a settings window by itself. The menu item keeps no key of its own,
            // so that this one action answers everywhere.
            action = new QAction(&window);
            action->setObjectName(QStringLiteral("CloseActiveWindow"));
            window.addAction(action);
            QObject::connect(action, &QAction::triggered, &window, [&window] {
                QWidget* active = QApplication::activeWindow();
                if (active != nullptr && active != &window) {
                    active->close();
                } else {
                    window.ExecuteCommand(CommandId::Close);
                }
            });
        } else if (!action) {
            action = new QAction(&window);
            action->setObjectName(QStringLiteral("Command%1").arg(accelerator.command));
            action->setData(accelerator.command);
            window.addAction(action);
            const int command = accelerator.command;
            QObject::connect(action, &QAction::triggered, &window,
                             [&window, command] { window.ExecuteCommand(command); });
        }
        QList<QKeySequence> keys = action->shortcuts(); // a command may answer two keys
        keys.append(QKeySequence(accelerator.keys));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
}

bool CControllerApp::OnCommand(int command) {
    switch (command) {
    case CommandId::ToggleRawValues:
        OnToggleRawValues();
        return true;
    case CommandId::Help:
        return true; // no help of the program's own
    default:
        return false;
    }
}

void CControllerApp::OnToggleRawValues() {
    if (!m_pDoc) {
        return;
    }
    m_pDoc->ShowRawValues = !m_pDoc->ShowRawValues;
    if (!m_pControllerDlg) {
        return;
    }
    m_pControllerDlg->DocumentEvents().TellDisplayModeChanged();
}

void CControllerApp::SetSettingsWindowFactory(SettingsWindow window,
                                              SettingsWindowFactory factory) {
    m_windowFactories[static_cast<std::size_t>(window)] = std::move(factory);
}

void CControllerApp::SetModalWindowRunner(int command, ModalWindowRunner runner) {
    m_modalRunners.emplace_back(command, std::move(runner));
    if (m_pControllerDlg) {
        m_pControllerDlg->SetModalWindowRunner(command, m_modalRunners.back().second);
    }
}

const CControllerApp::SettingsWindowFactory&
CControllerApp::SettingsWindowFactoryFor(SettingsWindow window) const {
    return m_windowFactories[static_cast<std::size_t>(window)];
}
