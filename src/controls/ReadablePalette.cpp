#include "controls/ReadablePalette.h"

#include <algorithm>
#include <cmath>

namespace {

QColor WithLightness(const QColor& colour, int lightness) {
    return QColor::fromHsl(colour.hslHue(), colour.hslSaturation(), std::clamp(lightness, 0, 255));
}

// Relative luminance of an sRGB colour, 0 for black to 1 for white.
double Luminance(const QColor& colour) {
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    const double first = Luminance(a);
    const double second = Luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor ReadableTextColour(const QColor& wanted, const QColor& background) {
    if (ContrastRatio(wanted, background) >= kTextContrast) {
        return wanted;
    }
    // Away from the background: lighter on a dark face, darker on a light one. White or
    // black at the end of the way always reads.
    const bool lighten = Luminance(background) < 0.18;
    const int step = lighten ? 8 : -8;
    for (int lightness = wanted.lightness(); lightness >= 0 && lightness <= 255;
         lightness += step) {
        const QColor candidate = WithLightness(wanted, lightness);
        if (ContrastRatio(candidate, background) >= kTextContrast) {
            return candidate;
        }
    }
    return lighten ? QColor(Qt::white) : QColor(Qt::black);
}

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
