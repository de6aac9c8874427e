#include "settings/RegisterSettingsWindows.h"

#include "settings/CAboutDlg.h"
#include "settings/CDefaultPresetDlg.h"
#include "settings/CDiagramDlg.h"
#include "settings/CNetworkControlDlg.h"
#include "settings/CPatchbayDlg.h"
#include "settings/CSampleRateDlg.h"
#include "ui/CControllerDlg.h"
#include "ui/CProgramWindows.h"
#include "ui/ControlIds.h"

#include <cstdio>

template <class Window> static QWidget* MakeWindow(CControllerDlg& mainWindow) {
    return new Window(mainWindow);
}

void RegisterSettingsWindows(CProgramWindows& app) {
    app.SetSettingsWindowFactory(SettingsWindow::DefaultPreset, MakeWindow<CDefaultPresetDlg>);
    app.SetSettingsWindowFactory(SettingsWindow::SampleRate, MakeWindow<CSampleRateDlg>);
    app.SetSettingsWindowFactory(SettingsWindow::Diagram, MakeWindow<CDiagramDlg>);
    app.SetModalWindowRunner(CommandId::Patchbay, [](CControllerDlg& mainWindow) {
        CPatchbayDlg window(mainWindow);
        window.exec();
    });
    app.SetModalWindowRunner(CommandId::NetworkControl, [](CControllerDlg& mainWindow) {
        CNetworkControlDlg window(mainWindow);
        window.exec();
    });
    // Asked for over the network: no window opens, so a file that cannot be read is told on
    // the terminal.
    app.SetPresetTrier([](CControllerDlg& mainWindow, int row) {
        const QString file = CDefaultPresetDlg::FactoryPresetPath(row);
        if (const auto failure = CDefaultPresetDlg::TryPreset(mainWindow, row, file,
                                                              CDefaultPresetDlg::TryFrom::Network);
            failure && !failure->isEmpty()) {
            std::fprintf(stderr, "Orbis: preset %d asked for over the network: %s: %s\n", row,
                         qPrintable(file), qPrintable(*failure));
        }
    });
    app.SetModalWindowRunner(CommandId::About, [](CControllerDlg& mainWindow) {
        CAboutDlg window(&mainWindow);
        window.exec();
    });
}
