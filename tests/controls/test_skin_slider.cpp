#include "controls/CSkinSlider.h"
#include "controls/SkinColours.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
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
                                             {ScrollCode::PageDown, 51},
                                             {ScrollCode::EndTrack, 51}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(valueWhenNotified, (std::vector<int>{61, 61, 51, 51}));
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
