// Colour arithmetic shared by the skinned controls.
#pragma once

#include <QColor>
#include <cstdint>

namespace SkinColours {

// Per channel c1 + (c2 - c1) / 2 with the halving rounded down.
QColor HalfWay(const QColor& c1, const QColor& c2);

// Lighter by `amount` per channel, leaving a channel that would pass 255 as it is.
QColor Lighter(const QColor& c, int amount);

// Darker by `amount` per channel, leaving a channel below `amount` as it is.
QColor Darker(const QColor& c, int amount);

// A Windows COLORREF (0x00BBGGRR), the form the windows' colour settings are written in.
QColor FromColorRef(std::uint32_t colorRef);

} // namespace SkinColours
