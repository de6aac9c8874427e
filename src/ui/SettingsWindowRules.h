// The seven modeless settings windows the main window keeps one of each: their commands,
// where a new one is placed relative to the main window, and the text shown when one
// cannot be created.
#pragma once

#include <QPoint>
#include <QRect>

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

enum class SettingsWindow : std::size_t {
    SampleRate,
    DefaultPreset,
    StereoSource,
    SpatOuts,
    Diagram,
    CueList,
    Room
};
constexpr std::size_t kSettingsWindowCount = 7;

enum class SettingsPlacement {
    CentredBelowTop,  // centred over the main window, 30 px below its top
    RightOfRightEdge, // right edge 25 px right of the main window's, 50 px above its centre
    LeftOfRightEdge,  // right edge 150 px left of the main window's, top at its centre
    Unmoved,          // where the window places itself
};

struct SettingsWindowRule {
    int command;
    SettingsWindow window;
    SettingsPlacement placement;
    std::string_view errorText;
};

extern const std::array<SettingsWindowRule, kSettingsWindowCount> kSettingsWindowRules;

const SettingsWindowRule* FindSettingsWindowRule(int command);

// Top-left corner of a new window of width `width` beside a main window whose frame is
// `main`; nothing for windows that stay where they are. Halves truncate toward zero.
std::optional<QPoint> PlaceSettingsWindow(SettingsPlacement placement, const QRect& main,
                                          int width);
