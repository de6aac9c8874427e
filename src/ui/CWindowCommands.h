// The main window's commands that open or arrange windows: the modeless settings windows
// (at most one of each kind), the modal Patchbay and About windows, and the Window menu's
// minimise, bring-all-to-front and activate.
#pragma once

#include "ui/SettingsWindowSlots.h"

#include <QHash>

#include <functional>

class CControllerApp;
class QWidget;

class CWindowCommands {
public:
    // A settings window is a view of the program, placed beside the main window and owned by it.
    using SettingsWindowFactory = std::function<QWidget*(CControllerApp&, QWidget& mainWindow)>;
    using ModalWindowRunner = std::function<void(CControllerApp&, QWidget& mainWindow)>;

    CWindowCommands(CControllerApp& program, QWidget& mainWindow)
        : m_program(program), m_widget(mainWindow) {}

    // False when the command is none of these.
    bool OnCommand(int command);

    SettingsWindowSlots& Windows() { return m_windows; }
    const SettingsWindowSlots& Windows() const { return m_windows; }
    // Without a runner Patchbay does nothing and About shows a plain box.
    void SetModalWindowRunner(int command, ModalWindowRunner runner) {
        m_modalRunners.insert(command, std::move(runner));
    }
    // An empty factory means that kind is not built into the program: its command does nothing.
    void SetSettingsWindowFactory(SettingsWindow window, SettingsWindowFactory factory) {
        m_factories[static_cast<std::size_t>(window)] = std::move(factory);
    }

private:
    void BringAllToFront();
    void ActivateMainWindow();

    CControllerApp& m_program;
    QWidget& m_widget;
    SettingsWindowSlots m_windows;
    QHash<int, ModalWindowRunner> m_modalRunners;
    std::array<SettingsWindowFactory, kSettingsWindowCount> m_factories;
};
