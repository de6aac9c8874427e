// What the operator is told about a document that could not be read as a whole: a last
// document that is gone, a file that ends early. Told in a notice that does not block, so
// the window stays usable and a program started by a script is not held up.
#pragma once

#include <QString>

#include <optional>
#include <string>

class CControllerDoc;
class QWidget;
struct ControllerFileGaps;

// A path as every message box shows it: native separators, and a long one shortened in the
// middle so that the box fits the screen while the folder's start and the file's name stay
// readable.
QString ShownPath(const QString& path);

// Shows text in a window of its own beside parent and returns at once.
void ShowNotice(QWidget* parent, const QString& text);

QString IncompleteFileNotice(const QString& path, const ControllerFileGaps& gaps);
QString MissingLastDocumentNotice(const QString& path, const QString& reason);

// Reads the document the program starts on, from `text` when the file was read already;
// says so when it is gone or incomplete. False when it was not read (the document is then
// "New Document").
bool ReadStartDocument(CControllerDoc& doc, const QString& path,
                       const std::optional<std::string>& text, QWidget* parent);
