#include "ui/CDocumentCommands.h"

#include "controls/CSkinLabel.h"
#include "model/CControllerDoc.h"
#include "program/CControllerApp.h"
#include "program/CDocumentEvents.h"
#include "program/CProcessorLink.h"
#include "program/CSessionLink.h"
#include "program/CUndoHistory.h"
#include "ui/ControlIds.h"
#include "ui/FileCommands.h"

#include <QFile>
#include <QTimer>

CDocumentCommands::CDocumentCommands(CControllerApp& app, QWidget& window, CSkinLabel* title)
    : QObject(&window), m_app(app), m_window(window), m_title(title), m_questions(&window) {
    connect(&app.Events(), &CDocumentEvents::dirtyChanged, this, &CDocumentCommands::UpdateTitle);
    // Whoever renamed the document (a command, a session, a recovery, a preset), the title
    // follows; the mark is left to dirtyChanged, which comes once the values settle.
    connect(&app.Events(), &CDocumentEvents::changed, this, [this](const DocumentChanges& changes) {
        if (changes.renamed) {
            ShowTitle();
        }
    });
}

CDocumentCommands::~CDocumentCommands() = default;

CControllerDoc& CDocumentCommands::Doc() const {
    return m_app.Doc();
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
        if (!session && !m_app.DocumentGuard().AskToKeepChanges(Doc(), m_questions)) {
            UpdateTitle();
            return true;
        }
        {
            // Either is one step: an undo brings back the whole document before it.
            const CUndoHistory::NamedStep step(m_app.History(), command == CommandId::New
                                                                    ? QStringLiteral("New")
                                                                    : QStringLiteral("Import"));
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
        Doc().SetName(session->DocumentName());
    }
    // The mark follows at once what the command loaded or saved; the name followed already.
    m_app.Events().Recheck();
    return true;
}

void CDocumentCommands::NewDocument() {
    CControllerDoc& doc = Doc();
    // The open port stays open through New, so its entry stays chosen: the list shows where
    // the next control sends.
    const int shown = doc.outMIDIPort;
    const bool open = shown > 0 && m_app.Link().Output().IsConnectedTo(shown);
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
    return m_app.CloseRequested() || m_app.DocumentGuard().ConfirmClose(Doc(), m_questions);
}

void CDocumentCommands::Opened() {
    m_app.MarkSaved();
}

void CDocumentCommands::UpdateTitle() {
    m_app.Events().Recheck();
    ShowTitle();
}

void CDocumentCommands::ShowTitle() {
    const bool modified = m_app.Events().IsDirty();
    const QString name = QFile::decodeName(QByteArray::fromStdString(Doc().Name()));
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
