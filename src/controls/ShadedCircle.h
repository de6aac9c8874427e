// The knob's pixel-stepped circles: a ring shaded by the direction of each pixel
// from the centre (lit from the upper left), and a dotted one-colour circle.
#pragma once

#include <QColor>
#include <QPoint>

class QPainter;

namespace ShadedCircle {

// Colour of a ring pixel at angle phi (radians, y downwards): light towards the
// upper left, dark towards the lower right.
QColor ColourAt(double phi, const QColor& light, const QColor& dark);

void Draw(QPainter& painter, QPoint centre, int radius, const QColor& light, const QColor& dark);

// Plots every second step of the circle, starting with the first.
void DrawDotted(QPainter& painter, QPoint centre, int radius, const QColor& colour);

} // namespace ShadedCircle
