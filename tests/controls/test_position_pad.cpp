#include "controls/CPositionPad.h"
#include "controls/CPositionPadOwner.h"
#include "controls/CTransparentSprite.h"
#include "controls/ControlResources.h"

#include <QImage>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

struct PadPosition {
    double x;
    double y;
    double z;
    bool operator==(const PadPosition&) const = default;
};

void PrintTo(const PadPosition& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ", " << p.z << ")";
}

class FakeOwner : public CPositionPadOwner {
public:
    void ApplyPadPosition(double x, double y, double z) override { received.push_back({x, y, z}); }
    std::vector<PadPosition> received;
};

class PositionPadTest : public ::testing::Test {
protected:
    void SetUp() override {
        pad = std::make_unique<CPositionPad>();
        pad->resize(202, 202);
        pad->SetOwner(&owner);
        pad->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pad.get()));
    }

    QImage Render() const { return pad->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    FakeOwner owner;
    std::unique_ptr<CPositionPad> pad;
};

TEST_F(PositionPadTest, MarkerCornersFromValues) {
    ASSERT_EQ(pad->MarkerSize(), QSize(20, 20));
    struct Row {
        int x;
        int y;
        QPoint processor;
        QPoint screen;
    };
    const Row rows[] = {
        {64, 64, {91, 90}, {91, 91}},
        {0, 127, {-10, -10}, {-10, 192}},
        {127, 0, {192, 192}, {192, -10}},
    };
    for (const Row& row : rows) {
        pad->SetFromValues(row.x, row.y);
        EXPECT_EQ(pad->MarkerTopLeft(), row.processor) << row.x << ", " << row.y;
        pad->SetFromScreenValues(row.x, row.y);
        EXPECT_EQ(pad->MarkerTopLeft(), row.screen) << row.x << ", " << row.y << " on screen";
    }
    EXPECT_TRUE(owner.received.empty());
}

TEST_F(PositionPadTest, TrackerPositionsMoveTheMarkerAndReachTheOwner) {
    struct Row {
        const char* name;
        double x, y, z;
        QPoint marker;
        PadPosition sent;
    };
    const Row rows[] = {
        {"origin", 0.0, 0.0, 0.0, {24, 160}, {-5, 196, 0.0}},
        {"far right", 200.0, 0.0, 10.0, {192, 160}, {195, 196, 10.0}},
        {"far left", -40.0, 64.0, 64.0, {-10, 96}, {-45, 132, 64.0}},
        {"below the pad", 50.0, -100.0, 130.5, {74, 192}, {45, 296, 130.5}},
        {"above the pad", 10.5, 180.0, 1.0, {34, -10}, {5, 16, 1.0}},
    };
    for (const Row& row : rows) {
        owner.received.clear();
        pad->ApplyTrackerPosition(row.x, row.y, row.z);
        EXPECT_EQ(pad->MarkerTopLeft(), row.marker) << row.name;
        ASSERT_EQ(owner.received.size(), 1u) << row.name;
        EXPECT_EQ(owner.received.front(), row.sent) << row.name;
    }
}

TEST_F(PositionPadTest, DraggingTheMarkerHandsPixelsToTheOwner) {
    pad->SetFromValues(64, 64); // marker at (91, 90) to (111, 110)
    QTest::mousePress(pad.get(), Qt::LeftButton, {}, {111, 110}); // edges count as inside
    EXPECT_TRUE(pad->IsDragging());
    QTest::mouseMove(pad.get(), {100, 50});
    EXPECT_EQ(pad->MarkerTopLeft(), QPoint(91, 41));
    QTest::mouseRelease(pad.get(), Qt::LeftButton, {}, {100, 50});
    EXPECT_FALSE(pad->IsDragging());
    QTest::mouseMove(pad.get(), {10, 10});
    ASSERT_EQ(owner.received.size(), 1u);
    EXPECT_EQ(owner.received.front(), (PadPosition{95, 146, -1.0}));
}

TEST_F(PositionPadTest, PressBesideTheMarkerStartsNoDrag) {
    pad->SetFromValues(64, 64);
    QTest::mousePress(pad.get(), Qt::LeftButton, {}, {112, 100});
    QTest::mouseMove(pad.get(), {30, 30});
    QTest::mouseRelease(pad.get(), Qt::LeftButton, {}, {30, 30});
    EXPECT_TRUE(owner.received.empty());
    EXPECT_EQ(pad->MarkerTopLeft(), QPoint(91, 90));
}

TEST_F(PositionPadTest, PictureIsTheBlueFieldWithTheOpaqueMarker) {
    InitControlResources();
    const QImage marker =
        QImage(BitmapPath(BitmapId::PositionMarker)).convertToFormat(QImage::Format_RGB32);
    pad->SetFromValues(0, 127); // marker's top-left quarter hangs off the pad
    QImage image = Render();
    EXPECT_EQ(image.pixel(0, 0), marker.pixel(10, 10));
    EXPECT_EQ(image.pixel(9, 9), marker.pixel(19, 19)); // its blue corner drawn over the field too
    EXPECT_EQ(image.pixel(150, 150), CPositionPad::kBackground);

    pad->SetFromValues(127, 0);
    image = Render();
    EXPECT_EQ(image.pixel(0, 0), CPositionPad::kBackground);
    EXPECT_EQ(image.pixel(201, 201), marker.pixel(9, 9));
    const QColor centre(image.pixel(202 - 1, 202 - 1));
    EXPECT_GT(centre.red(), 150);
    EXPECT_LT(centre.blue(), 120);
}

TEST(TransparentSprite, WhitePixelsLeaveTheBackgroundVisible) {
    const CTransparentSprite sprite = CTransparentSprite::FromResource(174);
    ASSERT_EQ(sprite.Size(), QSize(16, 16));
    const QImage source = QImage(BitmapPath(174)).convertToFormat(QImage::Format_RGB32);
    QImage canvas(16, 16, QImage::Format_RGB32);
    canvas.fill(QColor(10, 20, 30));
    {
        QPainter painter(&canvas);
        sprite.Draw(painter, {0, 0});
    }
    int white = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            if (source.pixel(x, y) == qRgb(255, 255, 255)) {
                ++white;
                EXPECT_EQ(canvas.pixel(x, y), qRgb(10, 20, 30)) << x << ", " << y;
            } else {
                EXPECT_EQ(canvas.pixel(x, y), source.pixel(x, y)) << x << ", " << y;
            }
        }
    }
    EXPECT_GT(white, 20); // the corners around the ball
    EXPECT_TRUE(sprite.Contains({5, 5}, {21, 21}));
    EXPECT_FALSE(sprite.Contains({5, 5}, {22, 21}));
}

} // namespace
