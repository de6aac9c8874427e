// Keeps the operator's work: knows whether the document has changed since it was opened or
// saved, asks before a close, New or Import drops such changes, and keeps them in this
// run's recovery journal, which the next start offers when the run ended without saving
// them (SIGTERM, the desktop session ending, a kill, a crash, a lost display). The cue
// list's unsaved changes go into the journal with the document and come back with it.
#pragma once

#include "model/DocumentChange.h"
#include "program/CRecoveryJournal.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class CControllerDoc;
class CCueEngine;
class CCueEngine;

// What the guard asks of the operator and tells them; the windows answer, the program
// without windows never asks.
class DocumentQuestions {
public:
    enum class Answer { SaveAs, Discard, Cancel };
    struct Journal {
        QString document;
        QDateTime lastChanged;
    };
    // Restores entry; empty when it was, else why not (the entry then stays, marked).
    using Restorer = std::function<QString(int entry)>;
    using Discarder = std::function<void(int entry)>;

    virtual ~DocumentQuestions() = default;
    // "Save changes to NAME?"
    virtual Answer AskToSave(const QString& shownName) = 0;
    // Asks where to save and writes the document there; true when it was written.
    virtual bool SaveAs(CControllerDoc& doc) = 0;
    // Asks where to save the cue list and writes it there; true when it was written.
    virtual bool SaveCuesAs(CCueEngine& cues) = 0;
    // A notice that does not block.
    virtual void Tell(const QString& text) = 0;
    // Offers the journals in one list, with `notes` above it, until answered.
    virtual void OfferJournals(const QString& notes, const std::vector<Journal>& journals,
                               Restorer restore, Discarder discard) = 0;
};

class CDocumentGuard {
public:
    // The journals live in `folder`; by default the user's data folder.
    explicit CDocumentGuard(QString folder = DefaultFolder());

    static QString DefaultFolder();
    // This run's journal file.
    QString RecoveryFileName() const { return m_journal.FileName(); }

    // The document as it now stands is what its file holds (opened, saved or new).
    void MarkSaved(const CControllerDoc& doc);
    // The document holds changes that no file holds, whatever its values.
    void MarkUnsaved();
    // Takes these changes into what counts as saved, so that they do not mark the document.
    void KeepAsSaved(const DocumentChanges& changes);
    bool IsModified(const CControllerDoc& doc) const;
    // The cue list journalled and restored with the document; it must outlive the guard's
    // use of it.
    void SetCueEngine(CCueEngine* cues) { m_cues = cues; }
    // The cue list holds changes that its file does not.
    bool CuesModified() const;

    // Before a close: asks "Save changes to NAME?" when the document has changed, and saves
    // it with Save As when the operator chooses so. True when the close may go on; this
    // run's journal is then removed.
    bool ConfirmClose(CControllerDoc& doc, DocumentQuestions& questions);
    // The same question for a cue list that no show file holds; true to go on.
    bool AskToKeepCues(DocumentQuestions& questions);
    // The same question before New or Import replaces the document; true to go on.
    bool AskToKeepChanges(CControllerDoc& doc, DocumentQuestions& questions);

    // The run has begun: from now on other programs see that it is alive. When the journal
    // cannot be kept, the operator is told once through `notices`: in the window that
    // offers recovery, else at the first change; without one nobody is told.
    void BeginRun(DocumentQuestions* notices = nullptr);
    // Whom to tell from now on; nullptr: nobody.
    void SetNotices(DocumentQuestions* notices) { m_notices = notices; }
    // Hands the changed document to the journal's worker; nothing when it has not changed.
    void Journal(const CControllerDoc& doc);
    // Waits for the text already handed to the journal to be on disk. Renders nothing, so it
    // is what an exit() may call: by then static objects the text is made from may be gone.
    void FinishJournal() { static_cast<void>(m_journal.Flush()); }
    // Writes the changed document to the journal and waits until it is on disk; true when
    // it is (or nothing needed writing).
    bool SaveRecovery(const CControllerDoc& doc);
    bool HasRecovery() const { return m_journal.Exists(); }
    int JournalWrites() const { return m_journal.WriteCount(); }
    // Removes this run's journal and waits until it is gone.
    void RemoveRecovery();
    // Hands the journal's removal to its worker: the document is back in its saved state.
    void DropJournal() { m_journal.PostRemove(); }
    // Offers the journals of runs that are gone in one list, newest first, and says there
    // when a run ended unexpectedly. The one restored replaces the document's values and
    // name; the ones not discarded stay for a later start, and so does one that is damaged,
    // which is told rather than restored. True when the document was restored.
    // In a session only the journals of that session's document are offered; outside one,
    // no session's journal is.
    bool OfferRecovery(CControllerDoc& doc, DocumentQuestions& questions);
    // The session document this run keeps, or empty outside a session. Its journal is marked
    // as the session's, so that only the same session offers it back.
    void SetSessionDocument(const std::string& name) { m_sessionDocument = name; }

private:
    std::string JournalName(const CControllerDoc& doc) const;
    // Hands the document, and the cue list when it changed, to the journal's worker.
    void Post(const CControllerDoc& doc);
    // Empty when restored, else why not.
    QString Restore(CControllerDoc& doc, const CRecoveryJournal::Orphan& orphan);
    // Why unsaved changes are not being kept, once: empty when they are or it was told.
    QString TakeNotKeptNotice();

    QString m_folder;
    CRecoveryJournal m_journal;
    // Every persistent value as last opened or saved; nothing when no file holds them.
    std::optional<std::vector<int>> m_saved;
    std::string m_sessionDocument;
    DocumentQuestions* m_notices = nullptr;
    CCueEngine* m_cues = nullptr;
    std::string m_lockFailure;
    bool m_notKeptTold = false;
};
