#include "settings/RegisterSettingsWindows.h"

#include "app/CControllerApp.h"
#include "app/CControllerDlg.h"
#include "app/ControlIds.h"
#include "settings/CAboutDlg.h"
#include "settings/CDefaultPresetDlg.h"
#include "settings/CDiagramDlg.h"
#include "settings/CNetworkControlDlg.h"
#include "settings/CPatchbayDlg.h"
#include "settings/CSampleRateDlg.h"

template <class Window> static QWidget* MakeWindow(CControllerDlg& mainWindow) {
    return new Window(mainWindow);
}

void RegisterSettingsWindows(CControllerApp& app) {
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
    app.SetPresetTrier([](CControllerDlg& mainWindow, int row) {
        static_cast<void>(CDefaultPresetDlg::TryPreset(mainWindow, row,
                                                       CDefaultPresetDlg::FactoryPresetPath(row)));
    });
    app.SetModalWindowRunner(CommandId::About, [](CControllerDlg& mainWindow) {
        CAboutDlg window(&mainWindow);
        window.exec();
    });
}
