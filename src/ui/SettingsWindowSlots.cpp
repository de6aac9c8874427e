#include "ui/SettingsWindowSlots.h"

#include <QMessageBox>

QWidget* SettingsWindowSlots::Opened(SettingsWindow window) const {
    QWidget* opened = Slot(window);
    return opened && opened->isVisible() ? opened : nullptr;
}

void SettingsWindowSlots::Open(const SettingsWindowRule& rule,
                               const std::function<QWidget*()>& make, QWidget& mainWindow) {
    if (QWidget* opened = Opened(rule.window)) {
        opened->showNormal();
        opened->raise();
        opened->activateWindow();
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
    Slot(rule.window) = window;
    // Closing is for good: the next command makes a new window.
    window->setAttribute(Qt::WA_DeleteOnClose);
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
