#include "controls/CSkinSlider.h"
#include "controls/SkinColours.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Notification = std::pair<ScrollCode, int>;

TEST(SkinSliderTones, LighterAndDarkerStopAtTheEnds) {
    CSkinSlider slider(Qt::Vertical);
    struct Row {
        QColor thumb, lighter51, lighter102, darker51, darker102;
    };
    const Row rows[] = {
        {{0, 0, 255}, {51, 51, 255}, {102, 102, 255}, {0, 0, 204}, {0, 0, 153}},
        {{30, 200, 160}, {81, 251, 211}, {132, 200, 160}, {30, 149, 109}, {30, 98, 58}},
        {{51, 204, 255}, {102, 255, 255}, {153, 204, 255}, {0, 153, 204}, {51, 102, 153}},
    };
    for (const Row& row : rows) {
        slider.SetThumbColour(row.thumb);
        const SkinSliderTones& tones = slider.ThumbTones();
        EXPECT_EQ(tones.lighter51, row.lighter51) << row.thumb.name().toStdString();
        EXPECT_EQ(tones.lighter102, row.lighter102) << row.thumb.name().toStdString();
        EXPECT_EQ(tones.darker51, row.darker51) << row.thumb.name().toStdString();
        EXPECT_EQ(tones.darker102, row.darker102) << row.thumb.name().toStdString();
    }
}

TEST(SkinSliderColours, ColorRefIsBlueGreenRed) {
    EXPECT_EQ(SkinColours::FromColorRef(0x00FF0000), QColor(0, 0, 255));
    EXPECT_EQ(SkinColours::FromColorRef(0x00FF4040), QColor(64, 64, 255));
    EXPECT_EQ(SkinColours::FromColorRef(0x00FFC4C4), QColor(196, 196, 255));
}

class SkinSliderTest : public ::testing::Test {
protected:
    void SetUp() override {
        slider = std::make_unique<CSkinSlider>(Qt::Vertical);
        slider->setRange(0, 127);
        slider->resize(30, 200);
        slider->SetThumbColour(QColor(0, 0, 255));
        slider->SetSelectionColour(QColor(64, 64, 255));
        slider->SetChannelColour(QColor(196, 196, 255));
        slider->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(slider.get()));
        QObject::connect(slider.get(), &CSkinSlider::scrolled, [this](ScrollCode code, int value) {
            seen.emplace_back(code, value);
            valueWhenNotified.push_back(slider->value());
        });
    }

    // Rows of the picture where the thumb's face colour shows.
    std::pair<int, int> ThumbRows() const {
        const QImage image = slider->grab().toImage();
        int first = -1;
        int last = -1;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (QColor(image.pixel(x, y)) == QColor(0, 0, 255)) {
                    first = first < 0 ? y : first;
                    last = y;
                    break;
                }
            }
        }
        return {first, last};
    }

    std::unique_ptr<CSkinSlider> slider;
    std::vector<Notification> seen;
    std::vector<int> valueWhenNotified;
};

TEST_F(SkinSliderTest, ValueRunsOppositeToTheTrack) {
    slider->SetValue(127);
    EXPECT_EQ(slider->TrackPosition(), 0);
    const auto top = ThumbRows();
    ASSERT_GE(top.first, 0);
    EXPECT_LT(top.second, 40);

    slider->SetValue(0);
    EXPECT_EQ(slider->TrackPosition(), 127);
    const auto bottom = ThumbRows();
    EXPECT_GT(bottom.first, 160);
}

// A document that tells the window the same values again (a stream of positions moves one
// control; the others are told what they hold) must not repaint the others.
TEST_F(SkinSliderTest, OnlyAMovedValuePaintsAgain) {
    struct Counter : QObject {
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
        int paints = 0;
    } counter;
    slider->SetValue(40);
    QCoreApplication::processEvents();
    slider->installEventFilter(&counter);
    const struct {
        int value;
        int paints;
    } rows[] = {{40, 0}, {40, 0}, {41, 1}, {41, 0}, {0, 1}};
    for (const auto& row : rows) {
        counter.paints = 0;
        slider->SetValue(row.value);
        QCoreApplication::processEvents();
        EXPECT_EQ(counter.paints, row.paints) << row.value;
    }
}

TEST_F(SkinSliderTest, ChannelShowsItsColour) {
    slider->SetValue(127);
    const QImage image = slider->grab().toImage();
    int channel = 0;
    for (int x = 0; x < image.width(); ++x) {
        channel += QColor(image.pixel(x, 150)) == QColor(196, 196, 255) ? 1 : 0;
    }
    EXPECT_GE(channel, 1);
}

TEST_F(SkinSliderTest, KeysReportTheNewValueThenTheEnd) {
    slider->SetValue(60);
    slider->setFocus();
    QTest::keyClick(slider.get(), Qt::Key_Up);
    QTest::keyClick(slider.get(), Qt::Key_PageDown);
    const std::vector<Notification> expected{{ScrollCode::LineUp, 61},
                                             {ScrollCode::EndTrack, 61},
                                             {ScrollCode::PageDown, 36},
                                             {ScrollCode::EndTrack, 36}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(valueWhenNotified, (std::vector<int>{61, 61, 36, 36}));

    // A wheel notch is a line step, as a key's; it begins no thumb drag.
    for (const auto& [delta, code] :
         {std::pair{120, ScrollCode::LineUp}, std::pair{-120, ScrollCode::LineDown}}) {
        seen.clear();
        const QPointF inside(15, 100);
        QWheelEvent wheel(inside, slider->mapToGlobal(inside), {}, {0, delta}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(slider.get(), &wheel);
        ASSERT_EQ(seen.size(), 1u) << delta;
        EXPECT_EQ(seen.front(), (Notification{code, slider->value()})) << delta;
    }
    EXPECT_EQ(slider->value(), 36) << "up and back down";
}

// With 127 at the top (vertical) or at the left (horizontal), every key moves the thumb
// the way it points and the page is a fifth of the range.
TEST(SkinSliderKeys, MoveTheThumbTheWayTheyPoint) {
    struct Row {
        const char* name;
        Qt::Key key;
        int value; // from 60
        ScrollCode code;
    };
    const Row rows[] = {
        {"Up", Qt::Key_Up, 61, ScrollCode::LineUp},
        {"Left", Qt::Key_Left, 61, ScrollCode::LineUp},
        {"Down", Qt::Key_Down, 59, ScrollCode::LineDown},
        {"Right", Qt::Key_Right, 59, ScrollCode::LineDown},
        {"Page Up", Qt::Key_PageUp, 85, ScrollCode::PageUp},
        {"Page Down", Qt::Key_PageDown, 35, ScrollCode::PageDown},
        {"Home", Qt::Key_Home, 127, ScrollCode::Top},
        {"End", Qt::Key_End, 0, ScrollCode::Bottom},
    };
    for (const Qt::Orientation orientation : {Qt::Vertical, Qt::Horizontal}) {
        CSkinSlider slider(orientation);
        slider.setRange(0, 127);
        slider.resize(orientation == Qt::Vertical ? QSize(30, 200) : QSize(200, 30));
        std::vector<Notification> seen;
        QObject::connect(&slider, &CSkinSlider::scrolled,
                         [&](ScrollCode code, int value) { seen.emplace_back(code, value); });
        for (const Row& row : rows) {
            const std::string name =
                std::string(row.name) + (orientation == Qt::Vertical ? " upright" : " across");
            slider.SetValue(60);
            const int trackBefore = slider.TrackPosition();
            seen.clear();
            QTest::keyClick(&slider, row.key);
            EXPECT_EQ(slider.value(), row.value) << name;
            ASSERT_FALSE(seen.empty()) << name;
            EXPECT_EQ(seen.front(), (Notification{row.code, row.value})) << name;
            // The thumb moved towards the top or left end exactly when the value grew.
            EXPECT_EQ(slider.TrackPosition() < trackBefore, row.value > 60) << name;
        }
    }
}

TEST_F(SkinSliderTest, DragReportsTrackingPositionAndEnd) {
    slider->SetValue(0);
    const auto rows = ThumbRows();
    const QPoint thumb(15, (rows.first + rows.second) / 2);
    QTest::mousePress(slider.get(), Qt::LeftButton, {}, thumb);
    QTest::mouseMove(slider.get(), thumb - QPoint(0, 60));
    QTest::mouseRelease(slider.get(), Qt::LeftButton, {}, thumb - QPoint(0, 60));
    ASSERT_GE(seen.size(), 3u);
    const int finalValue = slider->value();
    EXPECT_GT(finalValue, 30);
    EXPECT_EQ(seen[0].first, ScrollCode::ThumbTrack);
    EXPECT_EQ(seen[seen.size() - 2], (Notification{ScrollCode::ThumbPosition, finalValue}));
    EXPECT_EQ(seen.back(), (Notification{ScrollCode::EndTrack, finalValue}));
}

TEST(SkinSliderHorizontal, TopValueIsAtTheLeft) {
    CSkinSlider slider(Qt::Horizontal);
    slider.setRange(0, 127);
    slider.resize(200, 30);
    slider.SetThumbColour(QColor(0, 0, 255));
    slider.SetValue(127);
    const QImage image = slider.grab().toImage();
    int leftmost = -1;
    for (int x = 0; x < image.width() && leftmost < 0; ++x) {
        if (QColor(image.pixel(x, 15)) == QColor(0, 0, 255)) {
            leftmost = x;
        }
    }
    ASSERT_GE(leftmost, 0);
    EXPECT_LT(leftmost, 30);
}

} // namespace
