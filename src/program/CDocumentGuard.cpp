#include "program/CDocumentGuard.h"

#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "model/ParameterTable.h"
#include "program/CCueEngine.h"
#include "program/DocumentNotices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace {

// Marks the journal of a session's document in its name file.
constexpr std::string_view kSessionPrefix = "session:";

QString ShownName(const std::string& documentName) {
    const QString name = QFile::decodeName(QByteArray::fromStdString(documentName));
    return documentName == CControllerDoc::kNewDocument ? name
                                                        : ShownPath(QFileInfo(name).fileName());
}

} // namespace

CDocumentGuard::CDocumentGuard(QString folder) : m_folder(folder), m_journal(std::move(folder)) {}

QString CDocumentGuard::DefaultFolder() {
    // Beside the settings' organisation and application names, whatever the program's name.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Norvell/ORBIS");
}

void CDocumentGuard::MarkSaved(const CControllerDoc& doc) {
    m_saved = doc.Values();
}

void CDocumentGuard::MarkUnsaved() {
    m_saved.reset();
}

void CDocumentGuard::KeepAsSaved(const DocumentChanges& changes) {
    if (!m_saved) {
        return;
    }
    for (const ValueChange& change : changes.values) {
        (*m_saved)[ValueIndex(change.key)] = change.newValue;
    }
}

bool CDocumentGuard::IsModified(const CControllerDoc& doc) const {
    return !m_saved || *m_saved != doc.Values();
}

bool CDocumentGuard::CuesModified() const {
    return m_cues && m_cues->IsModified();
}

bool CDocumentGuard::ConfirmClose(CControllerDoc& doc, DocumentQuestions& questions) {
    if (!AskToKeepChanges(doc, questions) || !AskToKeepCues(questions)) {
        return false;
    }
    // What the journal kept is settled now: saved or knowingly dropped.
    RemoveRecovery();
    return true;
}

bool CDocumentGuard::AskToKeepCues(DocumentQuestions& questions) {
    if (!CuesModified()) {
        return true;
    }
    const std::string& file = m_cues->FileName();
    const QString name = file.empty() ? QStringLiteral("the cue list")
                                      : QStringLiteral("the cue list %1").arg(ShownName(file));
    switch (questions.AskToSave(name)) {
    case DocumentQuestions::Answer::Discard:
        return true;
    case DocumentQuestions::Answer::SaveAs:
        return questions.SaveCuesAs(*m_cues);
    case DocumentQuestions::Answer::Cancel:
        break;
    }
    return false;
}

bool CDocumentGuard::AskToKeepChanges(CControllerDoc& doc, DocumentQuestions& questions) {
    if (!IsModified(doc)) {
        return true;
    }
    switch (questions.AskToSave(ShownName(doc.Name()))) {
    case DocumentQuestions::Answer::Discard:
        return true;
    case DocumentQuestions::Answer::SaveAs:
        if (questions.SaveAs(doc)) {
            MarkSaved(doc);
            return true;
        }
        return false;
    case DocumentQuestions::Answer::Cancel:
        break;
    }
    return false;
}

void CDocumentGuard::BeginRun(DocumentQuestions* notices) {
    m_notices = notices;
    if (FileResult locked = m_journal.Lock(); !locked) {
        m_lockFailure = std::move(locked.reason);
    }
}

QString CDocumentGuard::TakeNotKeptNotice() {
    if (m_notKeptTold) {
        return {};
    }
    std::string reason = m_lockFailure;
    if (reason.empty()) {
        reason = m_journal.LastWrite().reason;
    }
    if (reason.empty()) {
        return {};
    }
    m_notKeptTold = true;
    return QStringLiteral("Unsaved changes are not being kept for recovery: the folder \"%1\" "
                          "cannot be written (%2). Should Orbis end without saving, they are "
                          "lost.")
        .arg(ShownPath(m_folder), QString::fromLocal8Bit(reason));
}

std::string CDocumentGuard::JournalName(const CControllerDoc& doc) const {
    return m_sessionDocument.empty() ? doc.Name() : std::string(kSessionPrefix) + m_sessionDocument;
}

void CDocumentGuard::Post(const CControllerDoc& doc) {
    m_journal.Post(JournalName(doc), ControllerFileText(doc),
                   CuesModified() ? m_cues->Text() : std::string());
}

void CDocumentGuard::Journal(const CControllerDoc& doc) {
    if (!IsModified(doc) && !CuesModified()) {
        return;
    }
    Post(doc);
    // A failed write shows at the next change, once the worker has tried.
    if (m_notices == nullptr) {
        return;
    }
    if (const QString notice = TakeNotKeptNotice(); !notice.isEmpty()) {
        m_notices->Tell(notice);
    }
}

bool CDocumentGuard::SaveRecovery(const CControllerDoc& doc) {
    if (!IsModified(doc) && !CuesModified()) {
        return true;
    }
    Post(doc);
    return m_journal.Flush().ok;
}

void CDocumentGuard::RemoveRecovery() {
    m_journal.PostRemove();
    m_journal.Flush();
}

QString CDocumentGuard::Restore(CControllerDoc& doc, const CRecoveryJournal::Orphan& orphan) {
    const FileRead read = m_journal.OrphanText(orphan);
    std::string reason = read.reason;
    if (read && !LooksLikeControllerFile(read.text)) {
        reason = "it holds no value of a controller file";
    } else if (read) {
        reason = DescribeControllerFileGaps(FindControllerFileGaps(read.text));
    }
    if (!reason.empty()) {
        // Never applied in part: what it lacks would read as zeros.
        return QStringLiteral("The changes to %1 were not restored: their journal is damaged "
                              "(%2). It is kept as \"%3\".")
            .arg(ShownName(orphan.documentName), QString::fromLocal8Bit(reason),
                 ShownPath(m_journal.OrphanFile(orphan)));
    }
    const std::string name =
        orphan.documentName.empty() ? CControllerDoc::kNewDocument : orphan.documentName;
    {
        const CControllerDoc::ChangeScope load(doc, ChangeOrigin::Load);
        doc.SetName(name);
        ApplyControllerFileText(doc, read.text, false);
    }
    // The cue list's unsaved changes come back with the document's; a damaged text gives
    // what can be taken of it.
    if (const auto cues = m_journal.OrphanCues(orphan); cues && m_cues) {
        m_cues->Restore(ParseShowText(*cues).show, true);
    }
    // Changed against what the named file holds now; a file that is gone holds nothing.
    CControllerDoc onDisk;
    if (name == CControllerDoc::kNewDocument || ReadControllerFile(onDisk, name, false)) {
        MarkSaved(onDisk);
    } else {
        MarkUnsaved();
    }
    // The restored changes are this run's now, kept by its own journal at once.
    SaveRecovery(doc);
    return {};
}

bool CDocumentGuard::OfferRecovery(CControllerDoc& doc, DocumentQuestions& questions) {
    bool unexpectedEnd = false;
    std::vector<CRecoveryJournal::Orphan> orphans = m_journal.TakeOrphans(&unexpectedEnd);
    QStringList notes;
    if (unexpectedEnd) {
        notes << QStringLiteral("The previous run of Orbis ended unexpectedly (it was killed, "
                                "crashed or lost its display).");
    }
    if (const QString notKept = TakeNotKeptNotice(); !notKept.isEmpty()) {
        notes << notKept;
    }
    if (const std::size_t left = m_journal.OrphansLeft(); left > 0) {
        notes << QStringLiteral("Changes of %1 more runs wait beyond this list; they are offered "
                                "once these are settled.")
                     .arg(left);
    }
    const std::string wanted =
        m_sessionDocument.empty() ? std::string() : std::string(kSessionPrefix) + m_sessionDocument;
    std::vector<CRecoveryJournal::Orphan> offered;
    std::vector<DocumentQuestions::Journal> entries;
    for (CRecoveryJournal::Orphan& orphan : orphans) {
        const bool ofSession = orphan.documentName.starts_with(kSessionPrefix);
        if (ofSession ? orphan.documentName != wanted : !wanted.empty()) {
            continue; // another session's, or one outside sessions while in one: kept
        }
        if (ofSession) {
            orphan.documentName = m_sessionDocument;
        }
        entries.push_back({ShownName(orphan.documentName.empty() ? CControllerDoc::kNewDocument
                                                                 : orphan.documentName),
                           orphan.lastChanged});
        offered.push_back(std::move(orphan));
    }
    if (offered.empty()) {
        m_journal.ReleaseOrphans();
        if (!notes.isEmpty()) {
            questions.Tell(notes.join(QLatin1Char(' ')));
        }
        return false;
    }
    bool restored = false;
    // Not answered (the program was ended meanwhile, or Keep for Later): asked again next time.
    questions.OfferJournals(
        notes.join(QLatin1Char(' ')), entries,
        [&](int entry) {
            const QString failure = Restore(doc, offered[entry]);
            if (failure.isEmpty()) {
                m_journal.DiscardOrphan(offered[entry]);
                restored = true;
            }
            return failure;
        },
        [&](int entry) { m_journal.DiscardOrphan(offered[entry]); });
    m_journal.ReleaseOrphans();
    return restored;
}
