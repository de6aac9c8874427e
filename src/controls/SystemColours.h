// The system colours the controls are drawn with, read from the widget's palette
// so that a theme change reaches them.
#pragma once

#include <QColor>
#include <QPalette>

namespace SystemColours {

inline QColor ButtonFace(const QPalette& p) {
    return p.color(QPalette::Button);
}
inline QColor ButtonHighlight(const QPalette& p) {
    return p.color(QPalette::Light);
}
inline QColor Light3D(const QPalette& p) {
    return p.color(QPalette::Midlight);
}
inline QColor ButtonShadow(const QPalette& p) {
    return p.color(QPalette::Dark);
}
inline QColor DarkShadow3D(const QPalette& p) {
    return p.color(QPalette::Shadow);
}
inline QColor WindowFrame(const QPalette& p) {
    return p.color(QPalette::Shadow);
}
inline QColor Window(const QPalette& p) {
    return p.color(QPalette::Base);
}
inline QColor WindowText(const QPalette& p) {
    return p.color(QPalette::WindowText);
}
inline QColor Highlight(const QPalette& p) {
    return p.color(QPalette::Highlight);
}

} // namespace SystemColours
