#include "ui/FileCommands.h"

#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "program/DocumentNotices.h"
#include "ui/NoticeWindow.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include <optional>
#include <string>

namespace {

const QString kSuffix = QStringLiteral("ocont2");
const QString kControllerFilter = QStringLiteral("ORBIS Controller Files (*.ocont2)");
const QString kAllFilesFilter = QStringLiteral("All Files (*)");

QString Tr(const char* text) {
    return QCoreApplication::translate("FileCommands", text);
}

// The chosen path, or an empty text when the operator cancels.
QString AskForPath(QWidget* parent, QFileDialog::AcceptMode mode, const CControllerDoc& doc) {
    const bool open = mode == QFileDialog::AcceptOpen;
    QFileDialog dialog(parent, open ? Tr("Open") : Tr("Save As"));
    if (doc.Name() != CControllerDoc::kNewDocument) {
        const QFileInfo current(QFile::decodeName(QByteArray::fromStdString(doc.Name())));
        dialog.setDirectory(current.absolutePath());
        if (!open) {
            dialog.selectFile(current.fileName());
        }
    }
    dialog.setAcceptMode(mode);
    dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(kSuffix);
    dialog.setNameFilters(open ? QStringList{kControllerFilter, kAllFilesFilter}
                               : QStringList{kControllerFilter});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

bool ImportChosenFile(CControllerDoc& doc, const QString& path, QWidget* parent,
                      ControllerFileGaps* gaps) {
    // Read whole before anything of the document changes, so that a failure leaves it as it
    // was.
    const FileRead read = ReadControllerFileText(LocalPath(path));
    if (!read) {
        QMessageBox::critical(parent, QCoreApplication::applicationName(),
                              ImportFailureText(path, QString::fromLocal8Bit(read.reason)));
        return false;
    }
    const CControllerDoc::ChangeScope load(doc, ChangeOrigin::Load);
    doc.SetName(LocalPath(path));
    ApplyControllerFileText(doc, read.text, false);
    if (gaps) {
        *gaps = FindControllerFileGaps(read.text);
    }
    return true;
}

bool SaveChosenFile(CControllerDoc& doc, const QString& path, QWidget* parent) {
    // The document takes the chosen name even when the write fails: the next save goes
    // where the operator meant.
    doc.SetName(LocalPath(path));
    const FileResult written = WriteControllerFile(doc, doc.Name());
    if (written) {
        return true;
    }
    QMessageBox::critical(parent, QCoreApplication::applicationName(),
                          SaveFailureText(path, QString::fromLocal8Bit(written.reason)));
    return false;
}

bool ImportFile(CControllerDoc& doc, QWidget* parent) {
    const QString path = AskForPath(parent, QFileDialog::AcceptOpen, doc);
    ControllerFileGaps gaps;
    if (path.isEmpty() || !ImportChosenFile(doc, path, parent, &gaps)) {
        return false;
    }
    if (gaps.Any()) {
        ShowNotice(parent, IncompleteFileNotice(path, gaps));
    }
    return true;
}

bool SaveFileAs(CControllerDoc& doc, QWidget* parent) {
    const QString path = AskForPath(parent, QFileDialog::AcceptSave, doc);
    return !path.isEmpty() && SaveChosenFile(doc, path, parent);
}
