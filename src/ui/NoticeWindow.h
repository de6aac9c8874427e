// Notices that do not block: the window stays usable and a program started by a script is not
// held up.
#pragma once

class QString;
class QWidget;

// Shows text in a window of its own beside parent and returns at once; nothing when empty.
void ShowNotice(QWidget* parent, const QString& text);
