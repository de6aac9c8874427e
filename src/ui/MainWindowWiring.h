// The main window's wiring that is not about values: the order of its keyboard focus and the
// names a screen reader says, the Undo and Redo items following the history, and the
// Kestrel button switching the tracker and telling its state.
#pragma once

#include "ui/MainControlTable.h"
#include "ui/MainWindowWidgets.h"

#include <QString>

#include <functional>

class CSkinButton;
class CTrackerLink;
class QAction;
class QUndoStack;
class QWidget;

// Tab follows the layout in reading order; every control is named, and its value is read as
// `valueText` gives it.
void SetUpKeyboardAndNames(QWidget& window, const MainWindowWidgets& ui,
                           std::function<QString(const MainControl&, int)> valueText);
// "Undo NAME" and "Redo NAME" with their keys, enabled while there is a step.
void FollowUndoStack(const QUndoStack& stack, QAction* undo, QAction* redo);
// The button turns the tracker on and off and shows its state, with the reason as its tip.
void ConnectKestrelButton(CSkinButton& button, CTrackerLink& tracker);
