#include "app/CDocumentGuard.h"

#include "app/FileCommands.h"
#include "model/AtomicFile.h"
#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "model/ParameterTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

namespace {

std::vector<int> PersistentValues(const CControllerDoc& doc) {
    std::vector<int> values;
    values.reserve(kChannelParameters.size() * CControllerDoc::kChannels +
                   kGlobalParameters.size());
    for (const ChannelParameter& parameter : kChannelParameters) {
        values.insert(values.end(), std::begin(doc.*parameter.array),
                      std::end(doc.*parameter.array));
    }
    for (const GlobalParameter& parameter : kGlobalParameters) {
        values.push_back(doc.*parameter.member);
    }
    return values;
}

QString ShownName(const std::string& documentName) {
    const QString name = QFile::decodeName(QByteArray::fromStdString(documentName));
    return documentName == CControllerDoc::kNewDocument ? name : QFileInfo(name).fileName();
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

CDocumentGuard::CDocumentGuard(QString folder) : m_folder(std::move(folder)) {}

QString CDocumentGuard::DefaultFolder() {
    // Beside the settings' organisation and application names, whatever the program's name.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Norvell/ORBIS");
}

QString CDocumentGuard::RecoveryFileName() const {
    return QDir(m_folder).filePath(QStringLiteral("Recovery.ocont2"));
}

QString CDocumentGuard::NameFileName() const {
    return QDir(m_folder).filePath(QStringLiteral("Recovery.name"));
}

void CDocumentGuard::MarkSaved(const CControllerDoc& doc) {
    m_saved = PersistentValues(doc);
}

void CDocumentGuard::MarkUnsaved() {
    m_saved.reset();
}

bool CDocumentGuard::IsModified(const CControllerDoc& doc) const {
    return !m_saved || *m_saved != PersistentValues(doc);
}

bool CDocumentGuard::ConfirmClose(CControllerDoc& doc, QWidget* parent) {
    if (!AskBeforeClose(doc, parent)) {
        return false;
    }
    // What the session's end kept is settled now: saved or knowingly dropped.
    RemoveRecovery();
    return true;
}

bool CDocumentGuard::AskBeforeClose(CControllerDoc& doc, QWidget* parent) {
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

bool CDocumentGuard::SaveRecovery(const CControllerDoc& doc) {
    if (!IsModified(doc)) {
        return true;
    }
    if (!QDir().mkpath(m_folder)) {
        return false;
    }
    // The name first: the recovery file's presence is what announces a recovery.
    return ReplaceFileContents(LocalPath(NameFileName()), doc.DocumentName) &&
           ReplaceFileContents(LocalPath(RecoveryFileName()), ControllerFileText(doc));
}

bool CDocumentGuard::HasRecovery() const {
    return QFileInfo::exists(RecoveryFileName());
}

bool CDocumentGuard::RestoreRecovery(CControllerDoc& doc) {
    const std::optional<std::string> text = ReadControllerFileText(LocalPath(RecoveryFileName()));
    if (!text) {
        return false;
    }
    QFile nameFile(NameFileName());
    std::string name = CControllerDoc::kNewDocument;
    if (nameFile.open(QIODevice::ReadOnly)) {
        const QByteArray stored = nameFile.readAll();
        if (!stored.isEmpty()) {
            name = stored.toStdString();
        }
    }
    ApplyControllerFileText(doc, *text, false);
    doc.DocumentName = name;
    // Changed against what the named file holds now; a file that is gone holds nothing.
    CControllerDoc onDisk;
    if (name == CControllerDoc::kNewDocument || onDisk.ReadControllerFile(name, false)) {
        MarkSaved(onDisk);
    } else {
        MarkUnsaved();
    }
    return true;
}

bool CDocumentGuard::OfferRecovery(CControllerDoc& doc, QWidget* parent) {
    if (!HasRecovery()) {
        return false;
    }
    QFile nameFile(NameFileName());
    QString name = QString::fromLatin1(CControllerDoc::kNewDocument);
    if (nameFile.open(QIODevice::ReadOnly) && nameFile.size() > 0) {
        name = ShownName(nameFile.readAll().toStdString());
    }
    QMessageBox question(
        QMessageBox::Question, QStringLiteral("Orbis"),
        QStringLiteral("Orbis ended without saving the changes to %1. Restore them?").arg(name),
        QMessageBox::NoButton, parent);
    question.setObjectName(QStringLiteral("RecoveryQuestion"));
    QPushButton* restore = question.addButton(QStringLiteral("Restore"), QMessageBox::AcceptRole);
    QPushButton* discard =
        question.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    restore->setObjectName(QStringLiteral("Restore"));
    discard->setObjectName(QStringLiteral("Discard"));
    question.setDefaultButton(restore);
    question.exec();
    if (!question.clickedButton()) {
        return false; // no answer (the program was ended meanwhile): ask again next time
    }
    const bool restored = question.clickedButton() == restore && RestoreRecovery(doc);
    RemoveRecovery();
    return restored;
}

void CDocumentGuard::RemoveRecovery() {
    QFile::remove(RecoveryFileName());
    QFile::remove(NameFileName());
}
