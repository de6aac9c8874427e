// What the operator is told about a document that could not be read as a whole: a last
// document that is gone, a file that ends early. The windows tell it in a notice that does
// not block, so they stay usable and a program started by a script is not held up.
#pragma once

#include <QString>

#include <optional>
#include <string>

class CControllerDoc;
struct ControllerFileGaps;

// A path as every message box shows it: native separators, and a long one shortened in the
// middle so that the box fits the screen while the folder's start and the file's name stay
// readable.
QString ShownPath(const QString& path);

// The error boxes' texts for a file that could not be read or written.
QString ImportFailureText(const QString& path, const QString& reason);
QString SaveFailureText(const QString& path, const QString& reason);

QString IncompleteFileNotice(const QString& path, const ControllerFileGaps& gaps);
QString MissingLastDocumentNotice(const QString& path, const QString& reason);

struct StartDocument {
    bool read = false;
    QString notice; // what to tell: the file is gone or incomplete; empty when nothing
};
// Reads the document the program starts on, from `text` when the file was read already.
// When it is not read the document is "New Document".
StartDocument ReadStartDocument(CControllerDoc& doc, const QString& path,
                                const std::optional<std::string>& text);
