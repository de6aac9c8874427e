// The main window's document side: the File menu's New, Import and Save As, the close
// question, and the title line and window title, which show the document's name and the
// unsaved-changes mark. The mark follows the document's changes and touches the title only
// when it flips, so an idle window does no work.
#pragma once

#include "ui/CWindowQuestions.h"

#include <QObject>

class CControllerApp;
class CControllerDoc;
class CSkinLabel;

class CDocumentCommands : public QObject {
    Q_OBJECT

public:
    // `window` is the main window, whose title line is `title`.
    CDocumentCommands(CControllerApp& app, QWidget& window, CSkinLabel* title);
    ~CDocumentCommands() override;

    // New, Import and Save As; false for any other command.
    bool OnCommand(int command);
    // Whether the window may close: asks about unsaved changes unless the run is ending.
    bool MayClose();

    // The title line: the document's name, marked while it has unsaved changes, after the
    // mark is brought up to date.
    void UpdateTitle();

private:
    CControllerDoc& Doc() const;
    // The title line with the mark as it stands.
    void ShowTitle();
    void NewDocument();
    // The document is what a file holds now: no mark, and the file is the last document.
    void Opened();

    CControllerApp& m_app;
    QWidget& m_window;
    CSkinLabel* m_title;
    CWindowQuestions m_questions;
};
