// The menu commands Import and Save As: the file dialogs and the error box around the
// document's controller file operations.
#pragma once

class CControllerDoc;
class QString;
struct ControllerFileGaps;
class QWidget;

// Asks for a controller file and reads it into the document, output device included; a
// file that ends early is loaded and the missing parts are told in a notice. False when
// the operator cancels or the file cannot be read; a file that cannot be read is told in an
// error box and leaves the document, its name included, as it was. Both dialogs open in the
// document's folder, and Save As proposes its file name.
bool ImportFile(CControllerDoc& doc, QWidget* parent);
// Asks where to save and writes the document there; a failed write is shown in an error
// box naming the file and the reason. False on cancel or failure.
bool SaveFileAs(CControllerDoc& doc, QWidget* parent);

// The two commands once a path has been chosen, each with its error box.
bool ImportChosenFile(CControllerDoc& doc, const QString& path, QWidget* parent,
                      ControllerFileGaps* gaps = nullptr);
bool SaveChosenFile(CControllerDoc& doc, const QString& path, QWidget* parent);
