#include "app/CDocumentCommands.h"

#include "app/CControllerApp.h"
#include "app/CControllerDlg.h"
#include "app/CDocumentEvents.h"
#include "app/CProcessorLink.h"
#include "app/CSessionLink.h"
#include "app/CUndoHistory.h"
#include "app/ControlIds.h"
#include "app/FileCommands.h"
#include "controls/CSkinLabel.h"
#include "model/CControllerDoc.h"

#include <QFile>
#include <QTimer>

CDocumentCommands::CDocumentCommands(CControllerApp& app, CControllerDlg& window, CSkinLabel* title)
    : QObject(&window), m_app(app), m_window(window), m_title(title),
      m_events(new CDocumentEvents(*app.m_pDoc, app.DocumentGuard(), this)) {
    connect(m_events, &CDocumentEvents::dirtyChanged, this, &CDocumentCommands::UpdateTitle);
    // The journal keeps up with the changes: a drag's hundred changes cost a few writes, each
    // at most kJournalDelayMs after the change, and a document back in its saved state has
    // none.
    m_journalTimer = new QTimer(this);
    m_journalTimer->setSingleShot(true);
    m_journalTimer->setInterval(kJournalDelayMs);
    connect(m_journalTimer, &QTimer::timeout, this,
            [this] { m_app.DocumentGuard().Journal(Doc()); });
    connect(m_events, &CDocumentEvents::settled, this, [this] {
        if (m_events->IsDirty() && !m_journalTimer->isActive()) {
            m_journalTimer->start();
        }
    });
    connect(m_events, &CDocumentEvents::dirtyChanged, this, [this](bool dirty) {
        if (!dirty) {
            m_journalTimer->stop();
            m_app.DocumentGuard().DropJournal();
        }
    });
}

// The events listen to the document, which outlives the window: they go first.
CDocumentCommands::~CDocumentCommands() {
    delete m_events;
}

CControllerDoc& CDocumentCommands::Doc() const {
    return *m_app.m_pDoc;
}

bool CDocumentCommands::OnCommand(int command) {
    // In a session the document stays the session's: New and Import change its values, Save
    // As writes a copy, and only the manager's save clears the mark.
    const CSessionLink* session = m_app.Session();
    switch (command) {
    case CommandId::New:
    case CommandId::Import:
        // Either replaces the document: unsaved changes are asked about first, as a close.
        // A session's are not: the session's file still holds what was saved, and an undo
        // brings the values back.
        if (!session && !m_app.DocumentGuard().AskToKeepChanges(Doc(), &m_window)) {
            UpdateTitle();
            return true;
        }
        {
            // Either is one step: an undo brings back the whole document before it.
            const CUndoHistory::NamedStep step(
                m_window.UndoHistory(),
                command == CommandId::New ? QStringLiteral("New") : QStringLiteral("Import"));
            if (command == CommandId::New) {
                NewDocument();
            } else if (ImportFile(Doc(), &m_window) && !session) {
                Opened();
            }
        }
        break;
    case CommandId::SaveAs:
        if (SaveFileAs(Doc(), &m_window) && !session) {
            Opened();
        }
        break;
    default:
        return false;
    }
    if (session) {
        Doc().DocumentName = session->DocumentName();
    }
    m_window.UpdateTitle(); // the name may change with values that do not
    return true;
}

void CDocumentCommands::NewDocument() {
    CControllerDoc& doc = Doc();
    // The open port stays open through New, so its entry stays chosen: the list shows where
    // the next control sends.
    const int shown = doc.outMIDIPort;
    const bool open = shown > 0 && m_window.ProcessorLink().Output().IsConnectedTo(shown);
    {
        const CControllerDoc::ChangeScope fresh(doc, ChangeOrigin::Load);
        doc.NewDocument();
        if (open) {
            doc.outMIDIPort = shown;
        }
    }
    if (!m_app.Session()) {
        m_app.DocumentGuard().MarkSaved(doc);
    }
}

bool CDocumentCommands::MayClose() {
    return m_app.CloseRequested() || m_app.DocumentGuard().ConfirmClose(Doc(), &m_window);
}

void CDocumentCommands::MarkSaved() {
    Opened();
    UpdateTitle();
}

void CDocumentCommands::Opened() {
    m_app.DocumentGuard().MarkSaved(Doc());
    // Remembered at once, not only at a normal exit: a killed program opens it next time.
    m_app.WriteLastDocument();
}

void CDocumentCommands::UpdateTitle() {
    m_events->Recheck();
    const bool modified = m_events->IsDirty();
    const QString name = QFile::decodeName(QByteArray::fromStdString(Doc().DocumentName));
    const QString title = modified ? QLatin1Char('*') + name : name;
    if (m_title->text() != title) {
        m_title->setText(title);
    }
    // An accessible name replaces what a screen reader reads, so it says the name and the mark.
    const QString spoken = modified ? QStringLiteral("Document: %1, unsaved changes").arg(name)
                                    : QStringLiteral("Document: %1").arg(name);
    if (m_title->accessibleName() != spoken) {
        m_title->setAccessibleName(spoken);
    }
    // Each call re-sets the native title, which an X server answers with an event.
    if (m_window.isWindowModified() != modified) {
        m_window.setWindowModified(modified);
    }
}
