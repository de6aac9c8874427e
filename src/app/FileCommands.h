// The menu commands Import and Save As: the file dialogs and the error box around the
// document's controller file operations.
#pragma once

class CControllerDoc;
class QString;
class QWidget;

// Asks for a controller file and reads it into the document, output device included.
// False when the operator cancels or the file cannot be read.
bool ImportFile(CControllerDoc& doc, QWidget* parent);
// Asks where to save and writes the document there; a failed write is shown in an error
// box naming the file and the reason. False on cancel or failure.
bool SaveFileAs(CControllerDoc& doc, QWidget* parent);

// The two commands once a path has been chosen.
bool ImportChosenFile(CControllerDoc& doc, const QString& path);
bool SaveChosenFile(CControllerDoc& doc, const QString& path, QWidget* parent);

// The error box's text for a file that could not be written.
QString SaveFailureText(const QString& path, const QString& reason);
