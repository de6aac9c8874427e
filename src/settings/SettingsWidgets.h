// Building blocks shared by the settings windows: the dialog font, controls placed in
// dialog units and tagged with their numbers, and the bold Tahoma captions.
#pragma once

#include "ui/DialogUnits.h"
#include "ui/MainWindowWidgets.h"

#include <QString>

#include <string_view>

class CSkinButton;
class CSkinLabel;
class QComboBox;
class QFrame;
class QWidget;

namespace SettingsWidgets {

QString Text(std::string_view text);

// Gives the widget its object name and its number as the "controlId" property, by which
// tests and automation find it; the main window's own tagging.
inline void Tag(QWidget* widget, int id, std::string_view name) {
    TagWidget(widget, id, name);
}
inline void Tag(QWidget* widget, int id, const QString& name) {
    TagWidget(widget, id, name);
}
inline void Tag(QWidget* widget, int id, const char* name) {
    TagWidget(widget, id, name);
}

// The template's font and a fixed client size in dialog units.
void SetUpTemplate(QWidget* window, int widthUnits, int heightUnits);

// A position window: modeless, deleted when closed, with a title bar and close box only,
// in the template's font.
void SetUpPositionWindow(QWidget* window, const QString& title);

// A caption in the font the windows give their labels: bold, 12 px, "Tahoma".
CSkinLabel* AddCaption(QWidget* parent, int id, std::string_view name, std::string_view text,
                       const DialogUnits::Rect& place);
// A label in the dialog font.
CSkinLabel* AddLabel(QWidget* parent, int id, std::string_view name, std::string_view text,
                     const DialogUnits::Rect& place);
CSkinButton* AddPushButton(QWidget* parent, int id, std::string_view name, std::string_view text,
                           const DialogUnits::Rect& place);
// A drop-down list holding `entries`, none selected.
QComboBox* AddList(QWidget* parent, int id, std::string_view name,
                   std::initializer_list<std::string_view> entries, const DialogUnits::Rect& place);
// A group frame with its caption; the frame is drawn below the caption's middle.
QWidget* AddGroup(QWidget* parent, std::string_view caption, const DialogUnits::Rect& place);
// A thin etched line across `place`.
QFrame* AddSeparator(QWidget* parent, const DialogUnits::Rect& place);

} // namespace SettingsWidgets
