// Dialog units of the window templates to pixels: the base units of the 8-point dialog
// font at 96 dpi (4 horizontal units = 6 px, 8 vertical units = 13 px), each coordinate
// rounded on its own as the platform's dialog mapping does.
#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>

#include <cmath>

namespace DialogUnits {

constexpr double kHorizontal = 1.5;
constexpr double kVertical = 1.625;

inline int X(int units) {
    return static_cast<int>(std::lround(units * kHorizontal));
}
inline int Y(int units) {
    return static_cast<int>(std::lround(units * kVertical));
}

struct Rect {
    int x, y, width, height;
};

inline QRect ToPixels(const Rect& r) {
    return {X(r.x), Y(r.y), X(r.width), Y(r.height)};
}

// The 8-point template font the units are measured in.
inline void ApplyDialogFont(QWidget* window) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    window->setFont(font);
}

} // namespace DialogUnits
