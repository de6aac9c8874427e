#include "controls/ControlResources.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

bool HasWhite(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == qRgb(255, 255, 255)) {
                return true;
            }
        }
    }
    return false;
}

TEST(Pictures, EveryBitmapHasItsSize) {
    InitControlResources();
    struct Row {
        int id;
        QSize size;
        bool sprite; // drawn with white as transparent
    };
    const Row rows[] = {
        {157, {279, 279}, false}, {164, {40, 40}, true},  {165, {16, 16}, true},
        {166, {30, 30}, true},    {167, {30, 30}, true},  {168, {30, 30}, true},
        {169, {30, 30}, true},    {170, {30, 30}, true},  {171, {30, 30}, true},
        {172, {30, 30}, true},    {173, {30, 30}, true},  {174, {16, 16}, true},
        {175, {16, 16}, true},    {177, {20, 20}, false},
    };
    for (const Row& row : rows) {
        // Read as the controls read them: by the named format, without asking the plugins.
        const QImage image = LoadBitmap(row.id);
        ASSERT_FALSE(image.isNull()) << row.id;
        EXPECT_EQ(image, QImage(BitmapPath(row.id))) << row.id;
        EXPECT_EQ(image.size(), row.size) << row.id;
        // A sprite's corners are background; an opaque picture has no white to lose.
        EXPECT_EQ(image.pixel(0, 0) == qRgb(255, 255, 255), row.sprite) << row.id;
        if (!row.sprite) {
            EXPECT_FALSE(HasWhite(image.convertToFormat(QImage::Format_RGB32))) << row.id;
        }
    }
    EXPECT_FALSE(QImage(BitmapPath(BitmapId::AppIcon)).isNull());
    EXPECT_EQ(ApplicationIcon().pixmap(128).size(), QSize(128, 128));
}

TEST(Pictures, PadPicturesHaveTheirColours) {
    InitControlResources();
    const QImage disc(BitmapPath(BitmapId::PadBackground));
    const QColor corner(disc.pixel(2, 2));
    const QColor centre(disc.pixel(139, 139));
    EXPECT_LT(corner.lightness(), 80);
    EXPECT_GT(corner.blue(), corner.red());
    EXPECT_GT(centre.lightness(), 150);
    EXPECT_GT(centre.blue(), centre.red());

    const QImage marker(BitmapPath(BitmapId::PositionMarker));
    EXPECT_EQ(marker.pixel(0, 0) | 0xFF000000u, qRgb(58, 110, 165));
    const QColor ball(marker.pixel(10, 11));
    EXPECT_GT(ball.red(), 2 * ball.blue());

    const QColor left(QImage(BitmapPath(BitmapId::LeftBall)).pixel(3, 8));
    const QColor right(QImage(BitmapPath(BitmapId::RightBall)).pixel(3, 8));
    EXPECT_GT(left.red(), left.blue());     // orange
    EXPECT_GT(right.blue(), right.green()); // violet
}

} // namespace
