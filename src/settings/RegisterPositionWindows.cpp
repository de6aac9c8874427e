#include "settings/RegisterPositionWindows.h"

#include "settings/CSpatOutsDlg.h"
#include "settings/CStereoSourceDlg.h"
#include "ui/CControllerDlg.h"
#include "ui/CProgramWindows.h"

void RegisterPositionWindows(CProgramWindows& app) {
    app.SetSettingsWindowFactory(SettingsWindow::SpatOuts, [](CControllerDlg& main) -> QWidget* {
        return new CSpatOutsDlg(main);
    });
    app.SetSettingsWindowFactory(
        SettingsWindow::StereoSource,
        [](CControllerDlg& main) -> QWidget* { return new CStereoSourceDlg(main); });
}
