// The QR code view's symbol: its size for a known text and level, the finder patterns,
// timing and quiet zone where a reader looks for them.
#include "controls/CQrCodeView.h"

#include <QAccessible>
#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace {

// Whether module (x, y) of an n-module symbol is fixed dark, fixed light, or data (nullopt):
// the three finder patterns with their separators, and the timing patterns between them.
std::optional<bool> FixedModule(int x, int y, int n) {
    for (const QPoint corner : {QPoint(0, 0), QPoint(n - 7, 0), QPoint(0, n - 7)}) {
        const int dx = x - corner.x();
        const int dy = y - corner.y();
        if (dx >= -1 && dx <= 7 && dy >= -1 && dy <= 7) {
            const int ring = std::max(std::abs(dx - 3), std::abs(dy - 3));
            return ring <= 1 || ring == 3; // the centre block and the outer ring
        }
    }
    if (y == 6 || x == 6) {
        return (x + y) % 2 == 0;
    }
    return std::nullopt;
}

} // namespace

TEST(QrCodeView, ASymbolOfTheVersionTheTextNeedsAtLevelMWithItsFixedPatterns) {
    const struct {
        const char* name;
        QString text;
        int modules; // 17 + 4 x version
    } rows[] = {
        {"upper case and a space, alphanumeric", QStringLiteral("HELLO WORLD"), 21},
        {"100 bytes: version 6 at level M (5 at L, 8 at Q)", QString(100, QLatin1Char('a')), 41},
        {"nothing", QString(), 0},
        {"too long for any version", QString(5000, QLatin1Char('a')), 0},
    };
    CQrCodeView view;
    view.resize(300, 300);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        view.SetText(row.text);
        ASSERT_EQ(view.ModuleCount(), row.modules);
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&view);
        EXPECT_EQ(reader->text(QAccessible::Name), QStringLiteral("QR code"));
        EXPECT_EQ(reader->text(QAccessible::Description), row.text);
        if (row.modules == 0) {
            continue;
        }
        const int n = row.modules;
        const int side = n + 2 * CQrCodeView::kQuietZone;
        // In device pixels, which a run at another scale (QT_SCALE_FACTOR=1.5) tells apart.
        const QImage shown = view.grab().toImage();
        const int scale = view.ModulePixels();
        EXPECT_EQ(scale, shown.width() / side) << "whole pixels a module, as large as fits";
        const int offset = (shown.width() - side * scale) / 2;
        // Module (x, y) as drawn: its first and last pixel, across and down, all one colour.
        const auto dark = [&](int x, int y) {
            const QPoint first(offset + (x + CQrCodeView::kQuietZone) * scale,
                               offset + (y + CQrCodeView::kQuietZone) * scale);
            const QColor colour = shown.pixelColor(first);
            EXPECT_TRUE(colour == Qt::black || colour == Qt::white) << "black on white";
            EXPECT_EQ(shown.pixelColor(first + QPoint(scale - 1, scale - 1)), colour) << "sharp";
            return colour == Qt::black;
        };
        for (int y = -CQrCodeView::kQuietZone; y < n + CQrCodeView::kQuietZone; ++y) {
            for (int x = -CQrCodeView::kQuietZone; x < n + CQrCodeView::kQuietZone; ++x) {
                const bool quiet = x < 0 || y < 0 || x >= n || y >= n;
                const std::optional<bool> fixed = quiet ? false : FixedModule(x, y, n);
                if (fixed) {
                    ASSERT_EQ(dark(x, y), *fixed) << "module " << x << ", " << y;
                }
            }
        }
        EXPECT_TRUE(dark(8, n - 8)) << "the dark module every symbol has";
    }
}
