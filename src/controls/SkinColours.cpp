#include "controls/SkinColours.h"

namespace SkinColours {
namespace {

int HalfWayChannel(int c1, int c2) {
    const int difference = c2 - c1;
    // Floor division: an odd negative difference rounds down, not toward zero.
    return c1 + (difference >= 0 ? difference / 2 : -((-difference + 1) / 2));
}

int LighterChannel(int c, int amount) {
    return c + amount > 255 ? c : c + amount;
}
int DarkerChannel(int c, int amount) {
    return c < amount ? c : c - amount;
}

} // namespace

QColor HalfWay(const QColor& c1, const QColor& c2) {
    return {HalfWayChannel(c1.red(), c2.red()), HalfWayChannel(c1.green(), c2.green()),
            HalfWayChannel(c1.blue(), c2.blue())};
}

QColor Lighter(const QColor& c, int amount) {
    return {LighterChannel(c.red(), amount), LighterChannel(c.green(), amount),
            LighterChannel(c.blue(), amount)};
}

QColor Darker(const QColor& c, int amount) {
    return {DarkerChannel(c.red(), amount), DarkerChannel(c.green(), amount),
            DarkerChannel(c.blue(), amount)};
}

QColor FromColorRef(std::uint32_t colorRef) {
    return {static_cast<int>(colorRef & 0xFFu), static_cast<int>((colorRef >> 8) & 0xFFu),
            static_cast<int>((colorRef >> 16) & 0xFFu)};
}

} // namespace SkinColours
