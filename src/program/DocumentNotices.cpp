#include "program/DocumentNotices.h"

#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>

namespace {

// About two lines of a message box: a path much longer than this would wrap into a box
// taller than the screen, with its buttons out of reach.
constexpr int kShownPathAverageCharacters = 80;

} // namespace

QString ShownPath(const QString& path) {
    const QFontMetrics metrics(QGuiApplication::font());
    return metrics.elidedText(QDir::toNativeSeparators(path), Qt::ElideMiddle,
                              metrics.averageCharWidth() * kShownPathAverageCharacters);
}

QString ImportFailureText(const QString& path, const QString& reason) {
    return QCoreApplication::translate("FileCommands",
                                       "The controller file \"%1\" could not be opened: %2.")
        .arg(ShownPath(path), reason);
}

QString SaveFailureText(const QString& path, const QString& reason) {
    return QCoreApplication::translate("FileCommands",
                                       "The controller file \"%1\" could not be saved: %2.")
        .arg(ShownPath(path), reason);
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

StartDocument ReadStartDocument(CControllerDoc& doc, const QString& path,
                                const std::optional<std::string>& text) {
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
        doc.SetName(CControllerDoc::kNewDocument);
        if (named) {
            return {false, MissingLastDocumentNotice(path, QString::fromLocal8Bit(read.reason))};
        }
        return {};
    }
    const CControllerDoc::ChangeScope load(doc, ChangeOrigin::Load);
    doc.SetName(name);
    ApplyControllerFileText(doc, read.text, false);
    if (const ControllerFileGaps gaps = FindControllerFileGaps(read.text); gaps.Any()) {
        return {true, IncompleteFileNotice(path, gaps)};
    }
    return {true, {}};
}
