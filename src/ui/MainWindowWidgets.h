// The main window's widgets made from its layout tables: the menu bar, the frames, the
// labels with their fonts, the buttons, the lists, the source pad and the 21 knobs and
// sliders, each tagged with its id and set to its range. What they do is the window's.
#pragma once

#include "ui/MainControlTable.h"

#include <QHash>
#include <QString>

#include <array>
#include <string_view>

class CPositionPad;
class CSkinButton;
class CSkinLabel;
class QAbstractSlider;
class QComboBox;
class QMenuBar;
class QWidget;

struct MainWindowWidgets {
    QMenuBar* menuBar = nullptr;
    QWidget* client = nullptr;
    std::array<QAbstractSlider*, kMainControls.size()> controls{};
    CPositionPad* sourcePad = nullptr;
    QHash<int, CSkinLabel*> labels;
    QHash<int, CSkinButton*> buttons;
    QComboBox* outputList = nullptr;
    QComboBox* inputList = nullptr; // hidden: the Input Device menu chooses the input
    QComboBox* channelList = nullptr;
};

// Builds every widget of the main window inside `window`, which gets a fixed-size layout
// with the menu bar on top. Nothing is connected.
MainWindowWidgets BuildMainWindowWidgets(QWidget& window);
// The windows ask for the faces of their templates; where those are missing, faces of the
// same narrow build are preferred to the wide default so the captions fit.
void InstallFontSubstitutes();

// Gives a widget its object name and its id as the "controlId" property, for tests and
// automation to find it by.
void TagWidget(QWidget* widget, int id, std::string_view name);
void TagWidget(QWidget* widget, int id, const QString& name);
inline void TagWidget(QWidget* widget, int id, const char* name) {
    TagWidget(widget, id, std::string_view(name));
}

// Puts a control onto a value without telling anyone; a slider moves by its own rule.
void MoveMainControl(QAbstractSlider* control, MainControlKind kind, int value);
