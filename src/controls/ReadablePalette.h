// The controls draw their rings and bevels from the palette's Light, Dark and Shadow roles.
// Many desktop palettes, flat light ones and dark ones alike, put those so close to the
// button face that a knob, its marker or a bevel vanishes; this makes them stand apart.
#pragma once

#include <QPalette>

constexpr int kLightLift = 80;

// The palette with Light at least kLightLift above the button face and Dark and Shadow
// well below it, each keeping its hue; roles that already stand apart are left alone.
QPalette WithReadableBevels(QPalette palette);
