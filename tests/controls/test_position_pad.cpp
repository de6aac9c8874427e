#include "controls/CPadBase.h"
#include "controls/CPositionPad.h"
#include "controls/CPositionPadOwner.h"
#include "controls/CStereoPad.h"
#include "controls/CStereoPadOwner.h"
#include "controls/CTransparentSprite.h"
#include "controls/ControlResources.h"

#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

struct PadPosition {
    double x;
    double y;
    bool operator==(const PadPosition&) const = default;
};

void PrintTo(const PadPosition& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}

class FakeOwner : public CPositionPadOwner {
public:
    void ApplyPadPosition(double x, double y) override { received.push_back({x, y}); }
    void StepPadPosition(int dx, int dy) override { steps.emplace_back(dx, dy); }
    std::vector<PadPosition> received;
    std::vector<std::pair<int, int>> steps;
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

// The press on the marker and its release bound the drag: the owner hears of them as the
// start and end of one gesture, with the positions in between.
TEST_F(PositionPadTest, DraggingTheMarkerHandsPixelsToTheOwner) {
    QSignalSpy started(pad.get(), &CPadBase::dragStarted);
    QSignalSpy ended(pad.get(), &CPadBase::dragEnded);
    pad->SetFromValues(64, 64); // marker at (91, 90) to (111, 110)
    QTest::mousePress(pad.get(), Qt::LeftButton, {}, {111, 110}); // edges count as inside
    EXPECT_TRUE(pad->IsDragging());
    EXPECT_EQ(started.count(), 1);
    QTest::mouseMove(pad.get(), {100, 50});
    EXPECT_EQ(pad->MarkerTopLeft(), QPoint(91, 41));
    EXPECT_EQ(ended.count(), 0);
    QTest::mouseRelease(pad.get(), Qt::LeftButton, {}, {100, 50});
    EXPECT_FALSE(pad->IsDragging());
    EXPECT_EQ(ended.count(), 1);
    QTest::mouseMove(pad.get(), {10, 10});
    ASSERT_EQ(owner.received.size(), 1u);
    EXPECT_EQ(owner.received.front(), (PadPosition{95, 146}));
}

TEST_F(PositionPadTest, DragBeyondThePadKeepsTheMarkerOnIt) {
    pad->SetFromValues(64, 64);
    QTest::mousePress(pad.get(), Qt::LeftButton, {}, {100, 100});
    QTest::mouseMove(pad.get(), {-80, 300});
    EXPECT_EQ(pad->MarkerTopLeft(), QPoint(-9, 192)); // its hot spot on the corner pixel
    ASSERT_EQ(owner.received.size(), 1u);
    EXPECT_EQ(owner.received.front(), (PadPosition{-5, -5}));
    QTest::mouseRelease(pad.get(), Qt::LeftButton, {}, {-80, 300});
}

// Values from hand-edited files far off the pad put the marker at the nearest edge.
TEST_F(PositionPadTest, ExtremeValuesStayAtTheEdges) {
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    const struct {
        int x, y;
        QPoint processor;
    } values[] = {
        {2000000000, 2000000000, {192, -10}},
        {kMin, kMax, {-10, -10}},
        {kMax, kMin, {192, 192}},
        {-1, 128, {-10, -10}},
    };
    for (const auto& row : values) {
        pad->SetFromValues(row.x, row.y);
        EXPECT_EQ(pad->MarkerTopLeft(), row.processor) << row.x << ", " << row.y;
        pad->SetFromScreenValues(row.x, row.y);
        EXPECT_EQ(pad->MarkerTopLeft(), QPoint(row.processor.x(), 182 - row.processor.y()))
            << row.x << ", " << row.y << " on screen";
    }
}

TEST_F(PositionPadTest, PressBesideTheMarkerStartsNoDrag) {
    QSignalSpy started(pad.get(), &CPadBase::dragStarted);
    QSignalSpy ended(pad.get(), &CPadBase::dragEnded);
    pad->SetFromValues(64, 64);
    QTest::mousePress(pad.get(), Qt::LeftButton, {}, {112, 100});
    QTest::mouseMove(pad.get(), {30, 30});
    QTest::mouseRelease(pad.get(), Qt::LeftButton, {}, {30, 30});
    EXPECT_TRUE(owner.received.empty());
    EXPECT_EQ(started.count() + ended.count(), 0) << "no gesture at all";
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

// A stream of positions changes the pad far more often than the screen shows it: the
// picture is composed once for all the changes made between two paints.
TEST(PadPicture, IsComposedOnceForTheChangesBetweenTwoPaints) {
    struct CountingPad : CPadBase {
        void ComposePicture(QPainter& painter) override {
            ++composed;
            painter.fillRect(rect(), Qt::blue);
        }
        int composed = 0;
    } pad;
    pad.resize(50, 50);
    pad.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pad));
    QCoreApplication::processEvents();
    const struct {
        int changes;
        int composed;
    } rows[] = {{0, 0}, {1, 1}, {3, 1}};
    for (const auto& row : rows) {
        pad.composed = 0;
        for (int i = 0; i < row.changes; ++i) {
            pad.Compose();
        }
        QCoreApplication::processEvents();
        static_cast<void>(pad.Picture()); // up to date already: nothing more to compose
        EXPECT_EQ(pad.composed, row.composed) << row.changes;
    }
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

// The stereo pad, with an owner that records what the pad tells it.
namespace {

// The placement written out from its description, independently of the pad's code.
struct Expected {
    QPoint first, second, cross;
    int x1, y1, x2, y2;
};

Expected ExpectedPlacement(int w, int angle, int width, int focus) {
    const double e = w * 0.5;
    const double r = e * focus / 127.0;
    const double theta = 180.0 - (angle * 360.0 / 127.0 - 180.0);
    const double omega = width * 360.0 / 127.0 / 2.0;
    auto corner = [&](double degrees) {
        return QPoint(static_cast<int>(std::trunc(e + r * std::cos(degrees / 57.385) - 8)),
                      static_cast<int>(std::trunc(e + r * std::sin(degrees / 57.385) - 8)));
    };
    Expected out;
    out.first = corner(theta + 90 - omega);
    out.second = corner(theta + 90 + omega);
    out.cross = corner(theta + 90);
    out.x1 = (out.first.x() + 8) * 127 / 278;
    out.y1 = (out.first.y() + 8) * 127 / 278;
    out.x2 = (out.second.x() + 8) * 127 / 278;
    out.y2 = (out.second.y() + 8) * 127 / 278;
    return out;
}

class FakeStereoOwner : public CStereoPadOwner {
public:
    StereoSliders Sliders() const override { return sliders; }
    void SetAngleAndFocus(int angle, int focus) override {
        sliders.angle = angle;
        sliders.focus = focus;
        ++slidersSet;
    }
    void UpdatePositions(const StereoPositions& p) override { updates.push_back(p); }

    StereoSliders sliders;
    int slidersSet = 0;
    std::vector<StereoPositions> updates;
};

class StereoPadTest : public ::testing::Test {
protected:
    void SetUp() override {
        pad = std::make_unique<CStereoPad>();
        pad->resize(279, 279);
        pad->SetOwner(&owner);
        pad->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pad.get()));
    }
    FakeStereoOwner owner;
    std::unique_ptr<CStereoPad> pad;
};

} // namespace

TEST_F(StereoPadTest, PlacementFollowsTheSlidersAtEveryAngleWidthAndFocus) {
    int checked = 0;
    for (int angle = 0; angle <= 127; angle += 3) {
        for (const int width : {0, 21, 64, 100, 127}) {
            for (const int focus : {0, 1, 50, 127}) {
                owner.sliders = {angle, width, focus};
                owner.updates.clear();
                pad->Recompute();
                const Expected want = ExpectedPlacement(279, angle, width, focus);
                const std::string where = std::to_string(angle) + "/" + std::to_string(width) +
                                          "/" + std::to_string(focus);
                ASSERT_EQ(owner.updates.size(), 1u) << where;
                EXPECT_EQ(pad->FirstTopLeft(), want.first) << where;
                EXPECT_EQ(pad->SecondTopLeft(), want.second) << where;
                EXPECT_EQ(pad->CrossTopLeft(), want.cross) << where;
                EXPECT_EQ(owner.updates.front(),
                          (StereoPositions{{want.x1, want.y1}, {want.x2, want.y2}}))
                    << where;
                ++checked;
            }
        }
    }
    EXPECT_EQ(checked, 43 * 5 * 4);

    // Focus 127, width 0, angle 0: everything just below the centre, at the edge.
    owner.sliders = {0, 0, 127};
    owner.updates.clear();
    pad->Recompute();
    EXPECT_EQ(pad->CrossTopLeft(), QPoint(133, 270));
    EXPECT_EQ(pad->FirstTopLeft(), QPoint(133, 270));
    EXPECT_EQ(owner.updates.front(), (StereoPositions{{64, 127}, {64, 127}}));

    owner.updates.clear();
    pad->ShowPlacement(); // shown, not reported
    EXPECT_TRUE(owner.updates.empty());
}

TEST_F(StereoPadTest, DraggingTheCrossSetsAngleAndFocusAndPlacesThePairAtItsDistance) {
    owner.sliders = {64, 21, 127};
    pad->Recompute();
    owner.updates.clear();
    const QPoint cross = pad->CrossTopLeft();
    QTest::mousePress(pad.get(), Qt::LeftButton, {}, cross + QPoint(16, 16));
    ASSERT_TRUE(pad->IsDragging());

    // Outside the circle of radius 139 around (139, 139): nothing at all.
    QTest::mouseMove(pad.get(), {139 + 100, 139 + 100});
    QTest::mouseMove(pad.get(), {1, 1});
    EXPECT_EQ(pad->CrossTopLeft(), cross);
    EXPECT_TRUE(owner.updates.empty());
    EXPECT_EQ(owner.slidersSet, 0);

    // (200, 100): 61 right and 39 up of the centre.
    QTest::mouseMove(pad.get(), {200, 100});
    EXPECT_EQ(pad->CrossTopLeft(), QPoint(192, 92));
    const double d = std::sqrt(61.0 * 61.0 + 39.0 * 39.0);
    const double degrees = std::atan2(-39.0, 61.0) * 57.29;
    const double t = degrees - 90.0;
    EXPECT_EQ(owner.sliders.angle, static_cast<int>(-t * 127.0 / 360.0));
    EXPECT_EQ(owner.sliders.angle, 43);
    EXPECT_EQ(owner.sliders.focus, static_cast<int>(d * 127.0 / 139.5));
    const double omega = 21 * 360.0 / 127.0 / 2.0;
    const QPoint second(static_cast<int>(139.5 + d * std::cos((t + omega + 90) / 57.385) - 8),
                        static_cast<int>(139.5 + d * std::sin((t + omega + 90) / 57.385) - 8));
    EXPECT_EQ(pad->SecondTopLeft(), second);
    ASSERT_EQ(owner.updates.size(), 1u);
    EXPECT_EQ(owner.updates.front().second,
              QPoint((second.x() + 8) * 127 / 278, (second.y() + 8) * 127 / 278));

    // The Focus it set puts the pair back where the drag left it.
    const QPoint first = pad->FirstTopLeft();
    QTest::mouseRelease(pad.get(), Qt::LeftButton, {}, {200, 100});
    pad->Recompute();
    EXPECT_LE(std::abs(pad->FirstTopLeft().x() - first.x()), 1);
    EXPECT_LE(std::abs(pad->FirstTopLeft().y() - first.y()), 1);
}

TEST_F(PositionPadTest, KeysStepTheMarkerOneOrEight) {
    struct KeyCase {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::pair<int, int> step;
    };
    const KeyCase cases[] = {
        {Qt::Key_Left, Qt::NoModifier, {-1, 0}},    {Qt::Key_Right, Qt::NoModifier, {1, 0}},
        {Qt::Key_Up, Qt::NoModifier, {0, 1}},       {Qt::Key_Down, Qt::NoModifier, {0, -1}},
        {Qt::Key_Right, Qt::ShiftModifier, {8, 0}}, {Qt::Key_Down, Qt::ShiftModifier, {0, -8}},
        {Qt::Key_PageUp, Qt::NoModifier, {0, 8}},   {Qt::Key_PageDown, Qt::NoModifier, {0, -8}},
    };
    EXPECT_EQ(pad->focusPolicy(), Qt::StrongFocus);
    for (const KeyCase& test : cases) {
        owner.steps.clear();
        QTest::keyClick(pad.get(), test.key, test.modifiers);
        EXPECT_EQ(owner.steps, (std::vector<std::pair<int, int>>{test.step})) << test.key;
    }
    owner.steps.clear();
    QTest::keyClick(pad.get(), Qt::Key_A);
    EXPECT_TRUE(owner.steps.empty());
}
