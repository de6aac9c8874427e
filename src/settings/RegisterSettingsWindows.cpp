#include "settings/RegisterSettingsWindows.h"

#include "program/CControllerApp.h"
#include "program/CNetworkControl.h"
#include "settings/CAboutDlg.h"
#include "settings/CCueListDlg.h"
#include "settings/CDefaultPresetDlg.h"
#include "settings/CDiagramDlg.h"
#include "settings/CNetworkControlDlg.h"
#include "settings/CPatchbayDlg.h"
#include "settings/CRoomDlg.h"
#include "settings/CSampleRateDlg.h"
#include "ui/CProgramWindows.h"
#include "ui/ControlIds.h"

template <class Window> static QWidget* MakeWindow(CControllerApp& program, QWidget& mainWindow) {
    return new Window(program, mainWindow);
}

template <class Window> static void RunWindow(CControllerApp& program, QWidget& mainWindow) {
    Window window(program, mainWindow);
    window.exec();
}

void RegisterSettingsWindows(CProgramWindows& app) {
    app.SetSettingsWindowFactory(SettingsWindow::DefaultPreset, MakeWindow<CDefaultPresetDlg>);
    app.SetSettingsWindowFactory(SettingsWindow::SampleRate, MakeWindow<CSampleRateDlg>);
    app.SetSettingsWindowFactory(SettingsWindow::CueList, MakeWindow<CCueListDlg>);
    app.SetSettingsWindowFactory(SettingsWindow::Room, MakeWindow<CRoomDlg>);
    app.SetSettingsWindowFactory(SettingsWindow::Diagram,
                                 [](CControllerApp&, QWidget& mainWindow) -> QWidget* {
                                     return new CDiagramDlg(&mainWindow);
                                 });
    app.SetModalWindowRunner(CommandId::Patchbay, RunWindow<CPatchbayDlg>);
    app.SetModalWindowRunner(CommandId::NetworkControl, RunWindow<CNetworkControlDlg>);
    app.SetModalWindowRunner(CommandId::About, [](CControllerApp&, QWidget& mainWindow) {
        CAboutDlg window(&mainWindow);
        window.exec();
    });
    // A try asked for over the network needs the program only, not a window.
    CControllerApp& program = app.Program();
    program.Network().SetPresetTrier(
        [&program](int row) { CDefaultPresetDlg::TryPresetFromNetwork(program, row); });
}
