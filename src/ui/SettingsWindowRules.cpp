#include "ui/SettingsWindowRules.h"

#include "ui/ControlIds.h"

#include <algorithm>

using enum SettingsPlacement;

const std::array<SettingsWindowRule, kSettingsWindowCount> kSettingsWindowRules = {{
    {CommandId::SampleRate, SettingsWindow::SampleRate, CentredBelowTop,
     "Error creating Sample Rate Dialog"},
    {CommandId::DefaultPreset, SettingsWindow::DefaultPreset, RightOfRightEdge,
     "Error creating Default Preset Dialog"},
    {CommandId::StereoSource, SettingsWindow::StereoSource, LeftOfRightEdge,
     "Error creating Stereo Source Dialog"},
    {CommandId::SpatOuts, SettingsWindow::SpatOuts, Unmoved, "Error creating Spat Outs Dialog"},
    {CommandId::Diagram, SettingsWindow::Diagram, CentredBelowTop, "Error creating Diagram Dialog"},
    {CommandId::CueList, SettingsWindow::CueList, RightOfRightEdge,
     "Error creating Cue List Dialog"},
    {CommandId::Room, SettingsWindow::Room, RightOfRightEdge, "Error creating Room Dialog"},
}};

const SettingsWindowRule* FindSettingsWindowRule(int command) {
    const auto found =
        std::find_if(kSettingsWindowRules.begin(), kSettingsWindowRules.end(),
                     [command](const SettingsWindowRule& rule) { return rule.command == command; });
    return found == kSettingsWindowRules.end() ? nullptr : &*found;
}

std::optional<QPoint> PlaceSettingsWindow(SettingsPlacement placement, const QRect& main,
                                          int width) {
    const int left = main.x();
    const int top = main.y();
    const int right = main.x() + main.width();
    const int halfWidth = main.width() / 2;
    const int halfHeight = main.height() / 2;
    switch (placement) {
    case CentredBelowTop:
        return QPoint(left + halfWidth - width / 2, top + 30);
    case RightOfRightEdge:
        return QPoint(right - width + 25, top + halfHeight - 50);
    case LeftOfRightEdge:
        return QPoint(right - width - 150, top + halfHeight);
    case Unmoved:
        break;
    }
    return std::nullopt;
}
