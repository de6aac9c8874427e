#include "app/SettingsWindowSlots.h"

#include <QMessageBox>

void SettingsWindowSlots::Open(const SettingsWindowRule& rule,
                               const std::function<QWidget*()>& make, QWidget& mainWindow) {
    QPointer<QWidget>& slot = Slot(rule.window);
    if (slot) {
        slot->showNormal();
        slot->raise();
        slot->activateWindow();
        return;
    }
    if (!make) {
        return;
    }
    QWidget* window = make();
    if (!window) {
        QMessageBox::warning(
            &mainWindow, mainWindow.windowTitle(),
            QString::fromUtf8(rule.errorText.data(), static_cast<qsizetype>(rule.errorText.size())),
            QMessageBox::Ok);
        return;
    }
    slot = window;
    // Placed once shown, when the width of its frame is known.
    window->show();
    if (const auto place = PlaceSettingsWindow(rule.placement, mainWindow.frameGeometry(),
                                               window->frameGeometry().width())) {
        window->move(*place);
    }
}

void SettingsWindowSlots::RaiseVisible() const {
    for (const QPointer<QWidget>& window : m_windows) {
        if (window && window->isVisible()) {
            window->raise();
        }
    }
}
