#include "settings/RegisterPositionWindows.h"

#include "app/CControllerDlg.h"
#include "app/CProgramWindows.h"
#include "settings/CSpatOutsDlg.h"
#include "settings/CStereoSourceDlg.h"

void RegisterPositionWindows(CProgramWindows& app) {
    app.SetSettingsWindowFactory(SettingsWindow::SpatOuts, [](CControllerDlg& main) -> QWidget* {
        return new CSpatOutsDlg(main);
    });
    app.SetSettingsWindowFactory(
        SettingsWindow::StereoSource,
        [](CControllerDlg& main) -> QWidget* { return new CStereoSourceDlg(main); });
}
