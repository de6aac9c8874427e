// The main window's menu bar (menu 134): File, Edit, Settings, Window and
// Help, each item a
// QAction carrying its command number as data, an option a checkable one. The key hints
// are part of the item text; which keys really work is the accelerator table's business.
#pragma once

#include <QHash>

class QAction;
class QMenuBar;

// Fills the bar and returns the item of each command.
QHash<int, QAction*> BuildMainMenu(QMenuBar* menuBar);
