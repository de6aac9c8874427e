// The fixed parts of the main window's template (dialog 102): the frames around its areas,
// its 33 labels with their appearance, and the places of its buttons and lists.
#pragma once

#include "ui/DialogUnits.h"

#include <Qt>

#include <array>
#include <string_view>

namespace MainWindowLayout {

constexpr DialogUnits::Rect kClient = {0, 0, 586, 260};

// Frames without text around the title band, the three header strips and the three panels.
extern const std::array<DialogUnits::Rect, 7> kFrames;

enum class LabelStyle {
    Plain,   // the dialog font
    Caption, // Tahoma, 9 px
    Header,  // Tahoma, 11 px
    Title,   // Tahoma, 11 px, bold
    Readout, // Tahoma, 11 px, bold, blue
};

struct Label {
    int id;
    std::string_view objectName;
    std::string_view text;
    DialogUnits::Rect place;
    Qt::Alignment alignment;
    LabelStyle style;
    bool sunken;
};

extern const std::array<Label, 33> kLabels;

struct Button {
    int id;
    std::string_view objectName;
    std::string_view text;
    DialogUnits::Rect place;
    bool toggle;
};

extern const std::array<Button, 4> kButtons;

// The output list spans its panel, so that its prompt and notes show whole in any face.
constexpr DialogUnits::Rect kOutputList = {482, 57, 100, 120};
constexpr DialogUnits::Rect kInputList = {485, 31, 92, 120};
constexpr DialogUnits::Rect kChannelList = {215, 58, 48, 120};
// The pad's pixel size is fixed; its template rectangle gives only its place.
constexpr DialogUnits::Rect kSourcePad = {9, 61, 135, 124};
constexpr int kSourcePadPixels = 202;

} // namespace MainWindowLayout
