#include "app/CDocumentGuard.h"

#include "app/DocumentNotices.h"
#include "app/FileCommands.h"
#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "model/ParameterTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

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

bool CDocumentGuard::ConfirmClose(CControllerDoc& doc, QWidget* parent) {
    if (!AskToKeepChanges(doc, parent)) {
        return false;
    }
    // What the journal kept is settled now: saved or knowingly dropped.
    RemoveRecovery();
    return true;
}

bool CDocumentGuard::AskToKeepChanges(CControllerDoc& doc, QWidget* parent) {
    if (!IsModified(doc)) {
        return true;
    }
    QMessageBox question(QMessageBox::Warning, QStringLiteral("Orbis"),
                         QStringLiteral("Save changes to %1?").arg(ShownName(doc.DocumentName)),
                         QMessageBox::NoButton, parent);
    question.setObjectName(QStringLiteral("SaveChangesQuestion"));
    question.setInformativeText(QStringLiteral("Without saving, the changes are lost."));
    QPushButton* save = question.addButton(QStringLiteral("Save As…"), QMessageBox::AcceptRole);
    QPushButton* discard =
        question.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    QPushButton* cancel = question.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    save->setObjectName(QStringLiteral("SaveAs"));
    discard->setObjectName(QStringLiteral("Discard"));
    cancel->setObjectName(QStringLiteral("Cancel"));
    question.setDefaultButton(save);
    question.setEscapeButton(cancel);
    question.exec();
    if (question.clickedButton() == discard) {
        return true;
    }
    if (question.clickedButton() == save && SaveFileAs(doc, parent)) {
        MarkSaved(doc);
        return true;
    }
    return false;
}

void CDocumentGuard::BeginRun() {
    m_journal.Lock();
}

std::string CDocumentGuard::JournalName(const CControllerDoc& doc) const {
    return m_sessionDocument.empty() ? doc.DocumentName
                                     : std::string(kSessionPrefix) + m_sessionDocument;
}

void CDocumentGuard::Journal(const CControllerDoc& doc) {
    if (IsModified(doc)) {
        m_journal.Post(JournalName(doc), ControllerFileText(doc));
    }
}

bool CDocumentGuard::SaveRecovery(const CControllerDoc& doc) {
    if (!IsModified(doc)) {
        return true;
    }
    m_journal.Post(JournalName(doc), ControllerFileText(doc));
    return m_journal.Flush();
}

void CDocumentGuard::RemoveRecovery() {
    m_journal.PostRemove();
    m_journal.Flush();
}

bool CDocumentGuard::Restore(CControllerDoc& doc, const std::string& text,
                             const std::string& storedName) {
    const std::string name = storedName.empty() ? CControllerDoc::kNewDocument : storedName;
    {
        const CControllerDoc::ChangeScope load(doc, ChangeOrigin::Load);
        ApplyControllerFileText(doc, text, false);
    }
    doc.DocumentName = name;
    // Changed against what the named file holds now; a file that is gone holds nothing.
    CControllerDoc onDisk;
    if (name == CControllerDoc::kNewDocument || onDisk.ReadControllerFile(name, false)) {
        MarkSaved(onDisk);
    } else {
        MarkUnsaved();
    }
    // The restored changes are this run's now, kept by its own journal at once.
    SaveRecovery(doc);
    return true;
}

bool CDocumentGuard::OfferRecovery(CControllerDoc& doc, QWidget* parent) {
    bool unexpectedEnd = false;
    const std::vector<CRecoveryJournal::Orphan> orphans = m_journal.TakeOrphans(&unexpectedEnd);
    if (unexpectedEnd) {
        ShowNotice(parent, QStringLiteral("The previous run of Orbis ended unexpectedly (it was "
                                          "killed, crashed or lost its display)."));
    }
    bool restored = false;
    const std::string wanted =
        m_sessionDocument.empty() ? std::string() : std::string(kSessionPrefix) + m_sessionDocument;
    for (CRecoveryJournal::Orphan orphan : orphans) {
        const bool ofSession = orphan.documentName.starts_with(kSessionPrefix);
        if (ofSession ? orphan.documentName != wanted : !wanted.empty()) {
            continue; // another session's, or one outside sessions while in one: kept
        }
        if (ofSession) {
            orphan.documentName = m_sessionDocument;
        }
        const QString name = ShownName(orphan.documentName.empty() ? CControllerDoc::kNewDocument
                                                                   : orphan.documentName);
        QMessageBox question(
            QMessageBox::Question, QStringLiteral("Orbis"),
            QStringLiteral("Orbis ended without saving the changes to %1. Restore them?").arg(name),
            QMessageBox::NoButton, parent);
        question.setObjectName(QStringLiteral("RecoveryQuestion"));
        question.setInformativeText(
            QStringLiteral("Last changed %1.")
                .arg(QLocale().toString(orphan.lastChanged, QLocale::ShortFormat)));
        QPushButton* restore =
            question.addButton(QStringLiteral("Restore"), QMessageBox::AcceptRole);
        QPushButton* discard =
            question.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
        restore->setObjectName(QStringLiteral("Restore"));
        discard->setObjectName(QStringLiteral("Discard"));
        question.setDefaultButton(restore);
        question.exec();
        if (!question.clickedButton()) {
            break; // no answer (the program was ended meanwhile): ask again next time
        }
        if (question.clickedButton() == restore) {
            const std::optional<std::string> text = m_journal.OrphanText(orphan);
            restored = text && Restore(doc, *text, orphan.documentName);
        }
        m_journal.DiscardOrphan(orphan);
        if (restored) {
            break; // one document a program: the others wait for another start
        }
    }
    m_journal.ReleaseOrphans();
    return restored;
}
