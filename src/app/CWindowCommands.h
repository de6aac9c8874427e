// The main window's commands that open or arrange windows: the modeless settings windows
// (at most one of each kind), the modal Patchbay and About windows, and the Window menu's
// minimise, bring-all-to-front and activate.
#pragma once

#include "app/SettingsWindowSlots.h"

#include <QHash>

#include <functional>

class CControllerApp;
class CControllerDlg;

class CWindowCommands {
public:
    CWindowCommands(CControllerApp& app, CControllerDlg& mainWindow)
        : m_app(app), m_mainWindow(mainWindow) {}

    // False when the command is none of these.
    bool OnCommand(int command);

    SettingsWindowSlots& Windows() { return m_windows; }
    const SettingsWindowSlots& Windows() const { return m_windows; }
    // Without a runner Patchbay does nothing and About shows a plain box.
    void SetModalWindowRunner(int command, std::function<void(CControllerDlg&)> runner) {
        m_modalRunners.insert(command, std::move(runner));
    }

private:
    void BringAllToFront();
    void ActivateMainWindow();

    CControllerApp& m_app;
    CControllerDlg& m_mainWindow;
    SettingsWindowSlots m_windows;
    QHash<int, std::function<void(CControllerDlg&)>> m_modalRunners;
};
