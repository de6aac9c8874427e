// The program's windows: the main window with the program's keys, the settings windows it
// opens, and what the program asks of its windows (close, hide or show for a session
// manager, offer recovered work, tell a refused network request). Run shows the main window
// and returns when it closes.
#pragma once

#include "ui/CWindowCommands.h"
#include "ui/CWindowQuestions.h"
#include "ui/SettingsWindowRules.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <functional>
#include <utility>
#include <vector>

class CControllerApp;
class CControllerDlg;
class QMessageBox;
class QWidget;

class CProgramWindows : public QObject {
    Q_OBJECT

public:
    using SettingsWindowFactory = CWindowCommands::SettingsWindowFactory;
    using ModalWindowRunner = CWindowCommands::ModalWindowRunner;

    // Goes before `program`.
    explicit CProgramWindows(CControllerApp& program);
    ~CProgramWindows() override;

    CControllerApp& Program() const { return m_program; }

    // Runs the main window until it closes; the program then ends.
    int Run();
    // Makes the window the main window and gives it the program's keys; nullptr forgets it.
    void Attach(CControllerDlg* window);
    CControllerDlg* MainWindow() const;

    // How the settings windows are made; an empty factory means that kind is not built
    // into this program and its command does nothing.
    void SetSettingsWindowFactory(SettingsWindow window, SettingsWindowFactory factory);
    // The Patchbay, Network Control and About windows.
    void SetModalWindowRunner(int command, ModalWindowRunner runner);

private:
    void InstallAccelerators(CControllerDlg& window);
    void ShowWindows(bool shown);
    void OfferRecovery();
    void TellRefusal(const QString& text);

    CControllerApp& m_program;
    QPointer<CControllerDlg> m_main;
    std::array<SettingsWindowFactory, kSettingsWindowCount> m_windowFactories;
    std::vector<std::pair<int, ModalWindowRunner>> m_modalRunners;
    std::vector<QPointer<QWidget>> m_hidden; // the windows a session manager hid
    QPointer<QMessageBox> m_refusalNotice;
    CWindowQuestions m_notices; // the journal's, once the run has begun
};
