// The program's keys (accelerator table 183), made application-wide so that they reach
// the main window while one of its modeless settings windows has the focus. Ctrl+N,
// Ctrl+O, Ctrl+W and Ctrl+M are shown in the menus, so they work too; Ctrl+W closes the
// window it is pressed in, the main window's ending the program, and Ctrl+Q exits as on
// every Linux desktop. Undo is Ctrl+Z; Redo answers both Ctrl+Shift+Z and Ctrl+Y, the two keys
// Linux programs use.
#pragma once

#include <QKeySequence>

#include <array>

struct Accelerator {
    QKeyCombination keys;
    int command;
};

extern const std::array<Accelerator, 18> kAccelerators;
