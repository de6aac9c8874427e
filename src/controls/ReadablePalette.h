// The controls draw their rings and bevels from the palette's Light, Dark and Shadow roles.
// Many desktop palettes, flat light ones and dark ones alike, put those so close to the
// button face that a knob, its marker or a bevel vanishes; this makes them stand apart.
#pragma once

#include <QPalette>

constexpr int kLightLift = 80;

// The palette with Light at least kLightLift above the button face and Dark and Shadow
// well below it, each keeping its hue; roles that already stand apart are left alone.
QPalette WithReadableBevels(QPalette palette);

// Text in the colour wanted where it reads against the background (a contrast of at least
// kTextContrast), otherwise the same hue made lighter or darker until it does: the blue of a
// link stays blue on a light face and turns light blue on a dark one.
constexpr double kTextContrast = 4.5;
QColor ReadableTextColour(const QColor& wanted, const QColor& background);

// The contrast ratio of two colours, 1 (none) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);
