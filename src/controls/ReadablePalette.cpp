#include "controls/ReadablePalette.h"

#include <algorithm>

namespace {

QColor WithLightness(const QColor& colour, int lightness) {
    return QColor::fromHsl(colour.hslHue(), colour.hslSaturation(), std::clamp(lightness, 0, 255));
}

} // namespace

QPalette WithReadableBevels(QPalette palette) {
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor face = palette.color(group, QPalette::Button);
        const int faceLightness = face.lightness();
        if (palette.color(group, QPalette::Shadow).lightness() > faceLightness / 3) {
            palette.setColor(group, QPalette::Shadow, face.darker(350));
        }
        if (palette.color(group, QPalette::Dark).lightness() > faceLightness * 2 / 3) {
            palette.setColor(group, QPalette::Dark, face.darker(170));
        }
        // A face already near white has no room above it; its Light is as light as it gets.
        const int lightTarget = std::min(255, faceLightness + kLightLift);
        const QColor light = palette.color(group, QPalette::Light);
        if (light.lightness() < lightTarget) {
            palette.setColor(group, QPalette::Light, WithLightness(face, lightTarget));
        }
        const QColor midlight = palette.color(group, QPalette::Midlight);
        const int midlightTarget = (faceLightness + lightTarget) / 2;
        if (midlight.lightness() < midlightTarget) {
            palette.setColor(group, QPalette::Midlight, WithLightness(face, midlightTarget));
        }
    }
    return palette;
}
