#include "app/DocumentNotices.h"

#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QMessageBox>
#include <QTimer>

namespace {

// About two lines of a message box: a path much longer than this would wrap into a box
// taller than the screen, with its buttons out of reach.
constexpr int kShownPathAverageCharacters = 80;

} // namespace

QString ShownPath(const QString& path) {
    const QFontMetrics metrics(QApplication::font("QMessageBox"));
    return metrics.elidedText(QDir::toNativeSeparators(path), Qt::ElideMiddle,
                              metrics.averageCharWidth() * kShownPathAverageCharacters);
}

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
        .arg(ShownPath(path), QString::fromStdString(DescribeControllerFileGaps(gaps)));
}

QString MissingLastDocumentNotice(const QString& path, const QString& reason) {
    return QStringLiteral("The last document, \"%1\", could not be opened (%2). A new "
                          "document was started in its place.")
        .arg(ShownPath(path), reason);
}

bool ReadStartDocument(CControllerDoc& doc, const QString& path,
                       const std::optional<std::string>& text, QWidget* parent) {
    const std::string name = QFile::encodeName(path).toStdString();
    // "New Document" and the empty name of a store without the value mean no file at all.
    const bool named = !path.isEmpty() && name != CControllerDoc::kNewDocument;
    FileRead read;
    if (text) {
        read = FileRead{FileResult::Done(name), *text};
    } else if (named) {
        read = ReadControllerFileText(name);
    }
    if (!read) {
        doc.DocumentName = CControllerDoc::kNewDocument;
        if (named) {
            ShowNotice(parent,
                       MissingLastDocumentNotice(path, QString::fromLocal8Bit(read.reason)));
        }
        return false;
    }
    doc.DocumentName = name;
    ApplyControllerFileText(doc, read.text, false);
    if (const ControllerFileGaps gaps = FindControllerFileGaps(read.text); gaps.Any()) {
        ShowNotice(parent, IncompleteFileNotice(path, gaps));
    }
    return true;
}
