#include "ui/SettingsWindowSlots.h"

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
    // Placed before it is shown, so that it appears where it stays. Its frame is not known
    // yet; it is taken to be as wide as the main window's, which the same desktop draws.
    if (!window->testAttribute(Qt::WA_Resized)) {
        window->adjustSize();
    }
    const int frameWidth = mainWindow.frameGeometry().width() - mainWindow.width();
    if (const auto place = PlaceSettingsWindow(rule.placement, mainWindow.frameGeometry(),
                                               window->width() + frameWidth)) {
        window->move(*place);
    }
    window->show();
}

void SettingsWindowSlots::RaiseVisible() const {
    for (const QPointer<QWidget>& window : m_windows) {
        if (window && window->isVisible()) {
            window->raise();
        }
    }
}
