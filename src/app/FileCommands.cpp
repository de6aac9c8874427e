#include "app/FileCommands.h"

#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace {

const QString kSuffix = QStringLiteral("ocont2");
const QString kControllerFilter = QStringLiteral("ORBIS Controller Files (*.ocont2)");
const QString kAllFilesFilter = QStringLiteral("All Files (*)");

QString Tr(const char* text) {
    return QCoreApplication::translate("FileCommands", text);
}

// The chosen path, or an empty text when the operator cancels.
QString AskForPath(QWidget* parent, QFileDialog::AcceptMode mode) {
    const bool open = mode == QFileDialog::AcceptOpen;
    QFileDialog dialog(parent, open ? Tr("Open") : Tr("Save As"));
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

bool ImportChosenFile(CControllerDoc& doc, const QString& path) {
    doc.DocumentName = LocalPath(path);
    return doc.ReadControllerFile({}, false);
}

bool SaveChosenFile(CControllerDoc& doc, const QString& path, QWidget* parent) {
    std::string reason;
    if (WriteControllerFile(doc, LocalPath(path), &reason)) {
        return true;
    }
    QMessageBox::critical(parent, QCoreApplication::applicationName(),
                          SaveFailureText(path, QString::fromLocal8Bit(reason)));
    return false;
}

QString SaveFailureText(const QString& path, const QString& reason) {
    return Tr("The controller file \"%1\" could not be saved: %2.")
        .arg(QDir::toNativeSeparators(path), reason);
}

bool ImportFile(CControllerDoc& doc, QWidget* parent) {
    const QString path = AskForPath(parent, QFileDialog::AcceptOpen);
    return !path.isEmpty() && ImportChosenFile(doc, path);
}

bool SaveFileAs(CControllerDoc& doc, QWidget* parent) {
    const QString path = AskForPath(parent, QFileDialog::AcceptSave);
    return !path.isEmpty() && SaveChosenFile(doc, path, parent);
}
