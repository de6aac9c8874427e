#include "controls/CRoundSliderCtrl.h"
#include "controls/ReadablePalette.h"
#include "controls/ShadedCircle.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <QWheelEvent>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

namespace {

using Notification = std::pair<ScrollCode, int>;

// A 42-pixel knob of range 0-127 with its zero at 225 degrees, as the main window
// sets them up; centre (21, 21), dial radius 17.
class RoundSliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent = std::make_unique<QWidget>();
        parent->resize(120, 80);
        knob = new CRoundSliderCtrl(parent.get());
        knob->setGeometry(0, 0, 42, 42);
        knob->setRange(0, 127);
        knob->SetZeroAngle(225);
        parent->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.get()));
        QObject::connect(knob, &CRoundSliderCtrl::scrolled, [this](ScrollCode code, int position) {
            seen.emplace_back(code, position);
        });
    }

    QImage Render() const { return knob->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    std::unique_ptr<QWidget> parent;
    CRoundSliderCtrl* knob = nullptr;
    std::vector<Notification> seen;
};

TEST_F(RoundSliderTest, ClickMapsTheAngleToAValue) {
    struct Row {
        const char* name;
        QPoint point;
        int value;
    };
    const Row rows[] = {
        {"12 o'clock", {21, 4}, 64},           {"9 o'clock", {4, 21}, 21},
        {"3 o'clock", {38, 21}, 106},          {"6 o'clock, in the gap", {21, 38}, 127},
        {"lower left, the start", {9, 33}, 0},
    };
    for (const Row& row : rows) {
        knob->setValue(row.value == 0 ? 1 : 0);
        seen.clear();
        QTest::mouseClick(knob, Qt::LeftButton, {}, row.point);
        EXPECT_EQ(knob->value(), row.value) << row.name;
        const std::vector<Notification> expected{{ScrollCode::ThumbTrack, row.value},
                                                 {ScrollCode::ThumbPosition, row.value}};
        EXPECT_EQ(seen, expected) << row.name;
    }
}

TEST_F(RoundSliderTest, DragThatChangesNothingPostsNothing) {
    knob->setValue(64);
    QTest::mousePress(knob, Qt::LeftButton, {}, {21, 4});
    QTest::mouseMove(knob, {21, 2});
    QTest::mouseRelease(knob, Qt::LeftButton, {}, {21, 6});
    EXPECT_EQ(knob->value(), 64);
    EXPECT_TRUE(seen.empty());
}

TEST_F(RoundSliderTest, DragReportsEachChangeThenTheEnd) {
    QTest::mousePress(knob, Qt::LeftButton, {}, {4, 21});
    QTest::mouseMove(knob, {21, 4});
    QTest::mouseMove(knob, {21, 3}); // same value: no notification
    QTest::mouseRelease(knob, Qt::LeftButton, {}, {38, 21});
    const std::vector<Notification> expected{{ScrollCode::ThumbTrack, 21},
                                             {ScrollCode::ThumbTrack, 64},
                                             {ScrollCode::ThumbTrack, 106},
                                             {ScrollCode::ThumbPosition, 106}};
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(knob->hasFocus());
}

TEST_F(RoundSliderTest, PointingIntoTheGapAtTheMaximumIsNoChange) {
    knob->setValue(127);
    QTest::mousePress(knob, Qt::LeftButton, {}, {21, 38});
    QTest::mouseMove(knob, {20, 38});
    QTest::mouseRelease(knob, Qt::LeftButton, {}, {22, 38});
    EXPECT_TRUE(seen.empty());
}

TEST_F(RoundSliderTest, KeysStepAndWrapAround) {
    struct Row {
        const char* name;
        int start;
        Qt::Key key;
        int value;
        ScrollCode code;
    };
    const Row rows[] = {
        {"Right at the top wraps to 0", 127, Qt::Key_Right, 0, ScrollCode::LineDown},
        {"Down steps up", 5, Qt::Key_Down, 6, ScrollCode::LineDown},
        {"Left at 0 wraps to the top", 0, Qt::Key_Left, 127, ScrollCode::LineUp},
        {"Up steps down", 5, Qt::Key_Up, 4, ScrollCode::LineUp},
        {"Page Up near the bottom wraps", 3, Qt::Key_PageUp, 121, ScrollCode::PageUp},
        {"Page Down near the top wraps", 125, Qt::Key_PageDown, 7, ScrollCode::PageDown},
    };
    knob->setFocus();
    for (const Row& row : rows) {
        knob->setValue(row.start);
        seen.clear();
        QTest::keyClick(knob, row.key);
        EXPECT_EQ(knob->value(), row.value) << row.name;
        const std::vector<Notification> expected{{row.code, row.value},
                                                 {ScrollCode::EndTrack, row.value}};
        EXPECT_EQ(seen, expected) << row.name;
    }
}

// The wheel is the keyboard's line step: the owner hears it as it hears an arrow key.
TEST_F(RoundSliderTest, WheelStepsByTheLineSize) {
    knob->setSingleStep(2);
    struct Row {
        const char* name;
        int start;
        int delta; // eighths of a degree, 120 a notch
        int value;
        std::vector<Notification> expected;
    };
    const Row rows[] = {
        {"away steps up", 40, 120, 42, {{ScrollCode::LineDown, 42}, {ScrollCode::EndTrack, 42}}},
        {"towards steps down",
         40,
         -120,
         38,
         {{ScrollCode::LineUp, 38}, {ScrollCode::EndTrack, 38}}},
        {"two notches at once",
         40,
         240,
         44,
         {{ScrollCode::LineDown, 42},
          {ScrollCode::EndTrack, 42},
          {ScrollCode::LineDown, 44},
          {ScrollCode::EndTrack, 44}}},
        {"half a notch waits", 40, 60, 40, {}},
        {"the other half completes it",
         40,
         60,
         42,
         {{ScrollCode::LineDown, 42}, {ScrollCode::EndTrack, 42}}},
    };
    for (const Row& row : rows) {
        knob->setValue(row.start);
        seen.clear();
        const QPointF inside(21, 21);
        QWheelEvent wheel(inside, knob->mapToGlobal(inside), {}, {0, row.delta}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(knob, &wheel);
        EXPECT_TRUE(wheel.isAccepted()) << row.name;
        EXPECT_EQ(knob->value(), row.value) << row.name;
        EXPECT_EQ(seen, row.expected) << row.name;
    }
}

TEST_F(RoundSliderTest, HomeAndEndDoNothing) {
    knob->setValue(40);
    QTest::keyClick(knob, Qt::Key_Home);
    QTest::keyClick(knob, Qt::Key_End);
    EXPECT_EQ(knob->value(), 40);
    EXPECT_TRUE(seen.empty());
}

TEST_F(RoundSliderTest, InvertedKnobMirrorsMouseAndMarker) {
    knob->setValue(30);
    const QPoint plain = knob->MarkerCentre();
    knob->SetInverted(true);
    const QPoint mirrored = knob->MarkerCentre();
    EXPECT_NEAR(mirrored.x() - 21, 21 - plain.x(), 1);
    EXPECT_EQ(mirrored.y(), plain.y());

    QTest::mouseClick(knob, Qt::LeftButton, {}, {4, 21}); // what 3 o'clock gives a plain knob
    EXPECT_EQ(knob->value(), 106);
}

TEST_F(RoundSliderTest, ResizingResetsThePosition) {
    knob->setValue(50);
    knob->resize(50, 40);
    EXPECT_EQ(knob->value(), 0);
    EXPECT_EQ(knob->Centre(), QPoint(20, 20));
}

TEST(RoundSliderGeometry, FirstSizeAtShowKeepsTheOwnersPosition) {
    QWidget parent;
    auto* knob = new CRoundSliderCtrl(&parent);
    knob->setGeometry(0, 0, 42, 42);
    knob->setRange(0, 127);
    knob->setValue(9);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    EXPECT_EQ(knob->value(), 9);
}

TEST(RoundSliderGeometry, NonSquareKnobUsesTheTopLeftCircle) {
    QWidget parent;
    parent.resize(100, 60);
    auto* knob = new CRoundSliderCtrl(&parent);
    knob->setGeometry(0, 0, 60, 42);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    EXPECT_EQ(knob->Centre(), QPoint(21, 21));
    EXPECT_EQ(knob->DialRadius(), 17);
    EXPECT_EQ(parent.childAt(21, 21), knob);
    EXPECT_NE(parent.childAt(50, 21), knob); // right of the circle
    EXPECT_NE(parent.childAt(1, 1), knob);   // corner outside the circle
}

TEST_F(RoundSliderTest, MarkerIsDrawnWhereTheValuePointsIt) {
    const QColor face = knob->palette().color(QPalette::Button);
    // The sunken marker's top pixel (two above its centre) is the dark end of its ring.
    auto markerTop = [this](int value) {
        knob->setValue(value);
        return knob->MarkerCentre() + QPoint(0, -2);
    };
    const QPoint atMinimum = markerTop(0);
    const QPoint atMiddle = markerTop(64);
    const QPoint atMaximum = markerTop(127);
    EXPECT_EQ(atMiddle, QPoint(21, 7)); // straight up: centre 11.5 pixels above, truncated to 9

    const int faceLightness = face.lightness();
    for (int value : {0, 64, 127}) {
        const QPoint here = markerTop(value);
        const QImage image = Render();
        EXPECT_LT(QColor(image.pixel(here)).lightness(), faceLightness - 60) << "value " << value;
        for (const QPoint elsewhere : {atMinimum, atMiddle, atMaximum}) {
            if (elsewhere != here) {
                EXPECT_EQ(QColor(image.pixel(elsewhere)), face) << "value " << value;
            }
        }
    }
}

TEST_F(RoundSliderTest, RingIsLitFromTheUpperLeft) {
    const QImage image = Render();
    const int ring = knob->DialRadius() - 1;
    const QColor top(image.pixel(21, 21 - ring));
    const QColor bottom(image.pixel(21, 21 + ring));
    EXPECT_GT(top.lightness() - bottom.lightness(), 80);
}

// The knob must read on light and dark desktops: its marker and the lit side of its ring
// stand apart from the face once the program has made the palette's bevels readable.
TEST_F(RoundSliderTest, MarkerAndRingShowInEveryPalette) {
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    const struct {
        const char* name;
        QPalette palette;
    } palettes[] = {
        {"Fusion", WithReadableBevels(fusion->standardPalette())},
        {"dark", WithReadableBevels(QPalette(QColor(50, 50, 50)))},
        {"flat light", WithReadableBevels(QPalette(QColor(246, 245, 244)))},
    };
    knob->setValue(64);
    for (const auto& row : palettes) {
        knob->setPalette(row.palette);
        const QImage image = Render();
        const int face = row.palette.color(QPalette::Button).lightness();
        const int marker = QColor(image.pixel(knob->MarkerCentre())).lightness();
        EXPECT_GE(std::abs(marker - face), 50) << row.name << ": the marker's dimple";
        // The ring's lightest pixel up left and darkest down right.
        const int ring = knob->DialRadius() - 1;
        int litSide = 0;
        int shadedSide = 255;
        for (int y = 0; y < 42; ++y) {
            for (int x = 0; x < 42; ++x) {
                const int dx = x - 21;
                const int dy = y - 21;
                if (std::abs(dx * dx + dy * dy - ring * ring) > 2 * ring) {
                    continue;
                }
                const int lightness = QColor(image.pixel(x, y)).lightness();
                if (dx < -4 && dy < -4) {
                    litSide = std::max(litSide, lightness);
                } else if (dx > 4 && dy > 4) {
                    shadedSide = std::min(shadedSide, lightness);
                }
            }
        }
        EXPECT_GE(litSide - face, std::min(40, 250 - face)) << row.name << ": the lit side";
        EXPECT_GE(litSide - shadedSide, 100) << row.name << ": the ring's shading";
    }
}

// Above one device pixel per pixel the rings are drawn at the device's pixels, not as
// blocks of them.
TEST(ShadedCircleScaled, RingsAreDrawnAtTheDevicesPixels) {
    for (const qreal ratio : {1.0, 2.0}) {
        QImage image(QSize(40, 40) * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            ShadedCircle::Draw(painter, {20, 20}, 15, Qt::white, Qt::black);
        }
        // Pixels that differ from the other pixel of their two-by-two block: none when each
        // drawn pixel is a block of four.
        int split = 0;
        int inked = 0;
        for (int y = 0; y + 1 < image.height(); y += 2) {
            for (int x = 0; x + 1 < image.width(); x += 2) {
                const bool drawn = image.pixel(x, y) != qRgb(255, 255, 255) ||
                                   image.pixel(x + 1, y + 1) != qRgb(255, 255, 255);
                inked += drawn ? 1 : 0;
                split += image.pixel(x, y) != image.pixel(x + 1, y + 1) ? 1 : 0;
            }
        }
        EXPECT_GT(inked, 20) << ratio;
        if (ratio > 1.0) {
            EXPECT_GT(split, inked / 2) << "a ring of blocks at " << ratio;
        }
    }
}

TEST_F(RoundSliderTest, FocusShowsBlueDotsAroundTheMarker) {
    knob->setValue(64);
    knob->clearFocus();
    EXPECT_NE(QColor(Render().pixel(knob->MarkerCentre() + QPoint(1, 0))), QColor(0, 0, 255));
    knob->setFocus();
    const QImage image = Render();
    for (const QPoint offset : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
        EXPECT_EQ(QColor(image.pixel(knob->MarkerCentre() + offset)), QColor(0, 0, 255));
    }
}

TEST_F(RoundSliderTest, LabelShowsOnlyWhileDisabled) {
    knob->setValue(64);
    const QColor face = knob->palette().color(QPalette::Button);
    auto inkNearCentre = [&](const QImage& image) {
        int count = 0;
        for (int y = 15; y < 28; ++y) {
            for (int x = 12; x < 31; ++x) {
                count += QColor(image.pixel(x, y)) != face ? 1 : 0;
            }
        }
        return count;
    };
    EXPECT_EQ(inkNearCentre(Render()), 0);
    knob->setEnabled(false);
    EXPECT_GT(inkNearCentre(Render()), 5);
    EXPECT_EQ(knob->MakeLabelText(), "64");
}

TEST(RoundSliderText, FormatTakesExactlyOneInteger) {
    CRoundSliderCtrl knob;
    knob.setRange(0, 127);
    knob.setValue(7);
    EXPECT_TRUE(knob.SetTextFormat("%d dB"));
    EXPECT_EQ(knob.MakeLabelText(), "7 dB");
    EXPECT_TRUE(knob.SetTextFormat("%03ld%%"));
    EXPECT_EQ(knob.MakeLabelText(), "007%");
    const struct {
        const char* format;
        const char* text;
    } escaped[] = {
        {"%%d %d", "%d 7"}, {"%%%d", "%7"}, {"%%%%%i%%", "%%7%"}, {"%% %-3ld|", "% 7  |"}};
    for (const auto& row : escaped) {
        EXPECT_TRUE(knob.SetTextFormat(row.format)) << row.format;
        EXPECT_EQ(knob.MakeLabelText(), row.text) << row.format;
    }
    EXPECT_TRUE(knob.SetTextFormat("%03ld%%"));
    for (const char* refused : {"%s", "%d %d", "%n", "no number", "%f"}) {
        EXPECT_FALSE(knob.SetTextFormat(refused)) << refused;
    }
    EXPECT_EQ(knob.GetTextFormat(), "%03ld%%");
}

} // namespace
