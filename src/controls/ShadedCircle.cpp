#include "controls/ShadedCircle.h"

#include <QBrush>
#include <QPaintDevice>
#include <QPainter>
#include <array>
#include <cmath>

namespace ShadedCircle {
namespace {

constexpr double kHalfPi = 1.570796327;
constexpr double kPi = 3.141592654;

struct Octant {
    int dx;
    int dy;
};

// Midpoint circle stepping; calls plot(step, x, y) once per step with the
// first-octant offsets.
template <typename Plot> void StepCircle(int radius, Plot plot) {
    int x = radius;
    int y = 0;
    int error = -radius;
    int twiceX = 2 * radius;
    for (int step = 0; x >= y; ++step) {
        plot(step, x, y);
        if (error + 2 * y + 1 < 0) {
            error += 2 * y + 1;
        } else {
            error += 2 * y + 3 - twiceX;
            --x;
            twiceX -= 2;
        }
        ++y;
    }
}

std::array<Octant, 8> EightPoints(int x, int y) {
    return {{{x, y}, {y, x}, {-y, x}, {-x, y}, {-x, -y}, {-y, -x}, {y, -x}, {x, -y}}};
}

void Plot(QPainter& painter, QPoint p, const QColor& colour) {
    painter.fillRect(QRect(p.x(), p.y(), 1, 1), colour);
}

// Above one device pixel per pixel the stepped circle would show its steps at the
// device's size: the same ring is drawn as a smooth one-pixel line, shaded around by a
// conical gradient through the colours of the stepped ring.
void DrawSmooth(QPainter& painter, QPoint centre, int radius, const QColor& light,
                const QColor& dark) {
    constexpr int kStops = 72;
    QConicalGradient shading(QPointF(centre) + QPointF(0.5, 0.5), 0.0);
    for (int i = 0; i <= kStops; ++i) {
        const double t = static_cast<double>(i) / kStops;
        // The gradient runs counter-clockwise with y upwards; the ring's angles have y
        // downwards.
        double phi = -t * 2.0 * kPi;
        if (phi < -kPi) {
            phi += 2.0 * kPi;
        }
        shading.setColorAt(t, ColourAt(phi, light, dark));
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QBrush(shading), 1.0));
    painter.drawEllipse(QPointF(centre) + QPointF(0.5, 0.5), radius, radius);
    painter.restore();
}

} // namespace

QColor ColourAt(double phi, const QColor& light, const QColor& dark) {
    double a = -2.356 - phi;
    if (a < -3.1415) {
        a = a + 6.293;
    } else if (a > 3.1415) {
        a = 6.293 - a;
    }
    const double t = (std::cos(a) + 1.0) * 0.5;
    auto mix = [t](int lightChannel, int darkChannel) {
        return static_cast<int>(t * lightChannel + (1.0 - t) * darkChannel);
    };
    return {mix(light.red(), dark.red()), mix(light.green(), dark.green()),
            mix(light.blue(), dark.blue())};
}

void Draw(QPainter& painter, QPoint centre, int radius, const QColor& light, const QColor& dark) {
    if (painter.device() != nullptr && painter.device()->devicePixelRatioF() > 1.0) {
        DrawSmooth(painter, centre, radius, light, dark);
        return;
    }
    StepCircle(radius, [&](int, int x, int y) {
        const double phi = std::atan2(static_cast<double>(y), static_cast<double>(x));
        // The angle of each mirrored point follows from the first one's.
        const std::array<double, 8> angles{phi,       kHalfPi - phi,  phi + kHalfPi, kPi - phi,
                                           phi - kPi, -phi - kHalfPi, phi - kHalfPi, -phi};
        const auto points = EightPoints(x, y);
        for (std::size_t i = 0; i < points.size(); ++i) {
            Plot(painter, centre + QPoint(points[i].dx, points[i].dy),
                 ColourAt(angles[i], light, dark));
        }
    });
}

void DrawDotted(QPainter& painter, QPoint centre, int radius, const QColor& colour) {
    StepCircle(radius, [&](int step, int x, int y) {
        if (step % 2 != 0) {
            return;
        }
        for (const Octant& point : EightPoints(x, y)) {
            Plot(painter, centre + QPoint(point.dx, point.dy), colour);
        }
    });
}

} // namespace ShadedCircle
