#include "settings/RegisterPositionWindows.h"

#include "settings/CSpatOutsDlg.h"
#include "settings/CStereoSourceDlg.h"
#include "ui/CProgramWindows.h"

void RegisterPositionWindows(CProgramWindows& app) {
    app.SetSettingsWindowFactory(SettingsWindow::SpatOuts,
                                 [](CControllerApp& program, QWidget& mainWindow) -> QWidget* {
                                     return new CSpatOutsDlg(program, mainWindow);
                                 });
    app.SetSettingsWindowFactory(SettingsWindow::StereoSource,
                                 [](CControllerApp& program, QWidget& mainWindow) -> QWidget* {
                                     return new CStereoSourceDlg(program, mainWindow);
                                 });
}
