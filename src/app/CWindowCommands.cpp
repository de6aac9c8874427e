#include "app/CWindowCommands.h"

#include "app/CControllerDlg.h"
#include "app/ControlIds.h"

#include <QCoreApplication>
#include <QMessageBox>

bool CWindowCommands::OnCommand(int command) {
    switch (command) {
    case CommandId::Patchbay:
    case CommandId::NetworkControl:
    case CommandId::About:
        if (const auto runner = m_modalRunners.value(command)) {
            runner(m_mainWindow);
        } else if (command == CommandId::About) {
            QMessageBox::about(&m_mainWindow, QStringLiteral("About Orbis Controller"),
                               QStringLiteral("ORBIS CONTROLLER\nVersion %1")
                                   .arg(QCoreApplication::applicationVersion()));
        }
        return true;
    case CommandId::HelpPdf:
        return true;
    case CommandId::Minimize:
        m_mainWindow.showMinimized();
        return true;
    case CommandId::BringAllToFront:
        BringAllToFront();
        return true;
    case CommandId::ActivateMain:
        ActivateMainWindow();
        return true;
    default:
        break;
    }
    if (const SettingsWindowRule* rule = FindSettingsWindowRule(command)) {
        const SettingsWindowFactory& factory = m_factories[static_cast<std::size_t>(rule->window)];
        std::function<QWidget*()> make;
        if (factory) {
            make = [this, &factory] { return factory(m_mainWindow); };
        }
        m_windows.Open(*rule, make, m_mainWindow);
        return true;
    }
    return false;
}

void CWindowCommands::BringAllToFront() {
    if (m_mainWindow.isMinimized()) {
        m_mainWindow.showNormal();
    }
    m_mainWindow.raise();
    m_windows.RaiseVisible();
}

void CWindowCommands::ActivateMainWindow() {
    if (m_mainWindow.isMinimized()) {
        m_mainWindow.showNormal();
    }
    m_mainWindow.raise();
    m_mainWindow.activateWindow();
}
