#include "app/DocumentNotices.h"

#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTimer>

void ShowNotice(QWidget* parent, const QString& text) {
    auto* notice = new QMessageBox(QMessageBox::Warning, QStringLiteral("Orbis"), text,
                                   QMessageBox::Ok, parent);
    notice->setObjectName(QStringLiteral("Notice"));
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setWindowModality(Qt::NonModal);
    // Shown once the event loop runs, so that it comes up over a window still being built.
    QTimer::singleShot(0, notice, [notice] { notice->show(); });
}

QString IncompleteFileNotice(const QString& path, const ControllerFileGaps& gaps) {
    return QStringLiteral("\"%1\" ends early: %2. The rest was loaded.")
        .arg(QDir::toNativeSeparators(path),
             QString::fromStdString(DescribeControllerFileGaps(gaps)));
}

QString MissingLastDocumentNotice(const QString& path, const QString& reason) {
    return QStringLiteral("The last document, \"%1\", could not be opened (%2). A new "
                          "document was started in its place.")
        .arg(QDir::toNativeSeparators(path), reason);
}

bool ReadStartDocument(CControllerDoc& doc, const QString& path,
                       const std::optional<std::string>& text, QWidget* parent) {
    const std::string name = QFile::encodeName(path).toStdString();
    if (text) {
        doc.DocumentName = name;
        ApplyControllerFileText(doc, *text, false);
        if (const ControllerFileGaps gaps = FindControllerFileGaps(*text); gaps.Any()) {
            ShowNotice(parent, IncompleteFileNotice(path, gaps));
        }
        return true;
    }
    ControllerFileGaps gaps;
    if (ReadControllerFile(doc, name, false, &gaps)) {
        if (gaps.Any()) {
            ShowNotice(parent, IncompleteFileNotice(path, gaps));
        }
        return true;
    }
    // "New Document" and the empty name of a store without the value mean no file at all.
    if (!path.isEmpty() && name != CControllerDoc::kNewDocument) {
        std::string reason;
        if (!ReadControllerFileText(name, &reason)) {
            ShowNotice(parent, MissingLastDocumentNotice(path, QString::fromLocal8Bit(reason)));
        }
    }
    return false;
}
