// The main window's modeless settings windows, at most one of each kind: opening one through
// its factory or bringing back the one that is open, placing a new one beside the main
// window. A window closed is deleted and so forgotten by itself; until its deletion comes
// round, a hidden window counts as closed.
#pragma once

#include "ui/SettingsWindowRules.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

class SettingsWindowSlots {
public:
    // The open window of that kind, or nullptr.
    QWidget* Opened(SettingsWindow window) const;
    template <class View> View* OpenedAs(SettingsWindow window) const {
        return dynamic_cast<View*>(Opened(window));
    }

    // Shows the open window of the rule's kind, or makes one with `make` and places it
    // beside `mainWindow`; the window made is deleted when it closes. A factory that fails
    // gets the rule's error box; an empty `make` means the kind is not built into the program
    // and nothing happens.
    void Open(const SettingsWindowRule& rule, const std::function<QWidget*()>& make,
              QWidget& mainWindow);

    void RaiseVisible() const;

private:
    QPointer<QWidget>& Slot(SettingsWindow window) {
        return m_windows[static_cast<std::size_t>(window)];
    }
    const QPointer<QWidget>& Slot(SettingsWindow window) const {
        return m_windows[static_cast<std::size_t>(window)];
    }

    std::array<QPointer<QWidget>, kSettingsWindowCount> m_windows;
};
