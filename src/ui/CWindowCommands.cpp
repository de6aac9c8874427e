#include "ui/CWindowCommands.h"

#include "ui/ControlIds.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>

bool CWindowCommands::OnCommand(int command) {
    switch (command) {
    case CommandId::Patchbay:
    case CommandId::NetworkControl:
    case CommandId::About:
        if (const auto runner = m_modalRunners.value(command)) {
            runner(m_program, m_widget);
        } else if (command == CommandId::About) {
            QMessageBox::about(&m_widget, QStringLiteral("About Orbis Controller"),
                               QStringLiteral("ORBIS CONTROLLER\nVersion %1")
                                   .arg(QCoreApplication::applicationVersion()));
        }
        return true;
    case CommandId::HelpPdf:
        return true;
    case CommandId::Minimize:
        m_widget.showMinimized();
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
            make = [this, &factory] { return factory(m_program, m_widget); };
        }
        m_windows.Open(*rule, make, m_widget);
        return true;
    }
    return false;
}

void CWindowCommands::BringAllToFront() {
    if (m_widget.isMinimized()) {
        m_widget.showNormal();
    }
    m_widget.raise();
    m_windows.RaiseVisible();
}

void CWindowCommands::ActivateMainWindow() {
    if (m_widget.isMinimized()) {
        m_widget.showNormal();
    }
    m_widget.raise();
    m_widget.activateWindow();
}
