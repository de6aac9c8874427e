#include "controls/CSkinButton.h"
#include "controls/ReadablePalette.h"
#include "controls/SkinColours.h"

#include <QImage>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace {

class SkinButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        parent = std::make_unique<QWidget>();
        parent->resize(300, 200);
    }

    CSkinButton* Add(SkinButtonKind kind, QRect geometry) {
        auto* button = new CSkinButton(kind, parent.get());
        button->setGeometry(geometry);
        return button;
    }

    void Show() {
        parent->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(parent.get()));
        parent->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(parent.get()));
    }

    std::unique_ptr<QWidget> parent;
};

TEST_F(SkinButtonTest, ToggleReportsCheckedThenUncheckedAndNotifiesBothTimes) {
    CSkinButton* toggle = Add(SkinButtonKind::CheckBox, {10, 10, 90, 30});
    toggle->SetPushLike(true);
    Show();
    QSignalSpy clicks(toggle, &QAbstractButton::clicked);
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(toggle->GetCheck(), 1);
    EXPECT_EQ(clicks.count(), 1);
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(toggle->GetCheck(), 0);
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(SkinButtonTest, ReleaseOutsideAPressedButtonDoesNothing) {
    for (SkinButtonKind kind : {SkinButtonKind::PushButton, SkinButtonKind::CheckBox}) {
        CSkinButton* button = Add(kind, {10, 10, 90, 30});
        Show();
        QSignalSpy clicks(button, &QAbstractButton::clicked);
        QTest::mousePress(button, Qt::LeftButton, {}, {20, 10});
        EXPECT_TRUE(button->isDown());
        QTest::mouseMove(button, {200, 100});
        EXPECT_FALSE(button->isDown());
        QTest::mouseRelease(button, Qt::LeftButton, {}, {200, 100});
        EXPECT_EQ(clicks.count(), 0);
        EXPECT_EQ(button->GetCheck(), 0);
        delete button;
    }
}

TEST_F(SkinButtonTest, SpaceBarClicks) {
    CSkinButton* box = Add(SkinButtonKind::CheckBox, {10, 10, 90, 20});
    Show();
    box->setFocus();
    QSignalSpy clicks(box, &QAbstractButton::clicked);
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_EQ(box->GetCheck(), 1);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(SkinButtonTest, RadioButtonsFormAGroup) {
    CSkinButton* radios[3];
    for (int i = 0; i < 3; ++i) {
        radios[i] = Add(SkinButtonKind::RadioButton, {10, 10 + 25 * i, 90, 20});
    }
    Show();
    radios[0]->SetCheck(1);
    QTest::mouseClick(radios[1], Qt::LeftButton);
    EXPECT_EQ(radios[0]->GetCheck(), 0);
    EXPECT_EQ(radios[1]->GetCheck(), 1);

    // Arrows check the neighbour in group order, notify for it and come round at the ends.
    QSignalSpy lastClicked(radios[2], &QAbstractButton::clicked);
    QTest::keyClick(radios[1], Qt::Key_Right);
    EXPECT_EQ(radios[2]->GetCheck(), 1);
    EXPECT_EQ(radios[1]->GetCheck(), 0);
    EXPECT_EQ(lastClicked.count(), 1);
    EXPECT_TRUE(radios[2]->hasFocus());
    QTest::keyClick(radios[2], Qt::Key_Down);
    EXPECT_EQ(radios[0]->GetCheck(), 1);
    QTest::keyClick(radios[0], Qt::Key_Up);
    EXPECT_EQ(radios[2]->GetCheck(), 1);

    // Clicking the checked one keeps it checked and still notifies.
    QSignalSpy again(radios[2], &QAbstractButton::clicked);
    QTest::mouseClick(radios[2], Qt::LeftButton);
    EXPECT_EQ(radios[2]->GetCheck(), 1);
    EXPECT_EQ(again.count(), 1);
}

TEST_F(SkinButtonTest, TabbingOntoAnUncheckedRadioFocusesTheCheckedOne) {
    CSkinButton* push = Add(SkinButtonKind::PushButton, {100, 10, 60, 25});
    Add(SkinButtonKind::RadioButton, {10, 10, 90, 20});
    CSkinButton* second = Add(SkinButtonKind::RadioButton, {10, 35, 90, 20});
    Show();
    second->SetCheck(1);
    push->setFocus();
    QTest::keyClick(push, Qt::Key_Tab);
    EXPECT_TRUE(second->hasFocus());
}

TEST_F(SkinButtonTest, SetCheckIgnoredByPushButtons) {
    CSkinButton* push = Add(SkinButtonKind::PushButton, {10, 10, 90, 30});
    push->SetCheck(1);
    EXPECT_EQ(push->GetCheck(), 0);
}

TEST(SkinColours, HalfWayRoundsDown) {
    EXPECT_EQ(SkinColours::HalfWay(QColor(212, 100, 0), QColor(127, 101, 255)),
              QColor(169, 100, 127));
    EXPECT_EQ(SkinColours::HalfWay(QColor(240, 240, 240), QColor(160, 160, 160)),
              QColor(200, 200, 200));
}

TEST_F(SkinButtonTest, FacesShowPressedAndCheckedStates) {
    CSkinButton* push = Add(SkinButtonKind::PushButton, {10, 10, 60, 30});
    CSkinButton* toggle = Add(SkinButtonKind::CheckBox, {10, 50, 60, 30});
    toggle->SetPushLike(true);
    Show();
    const SkinButtonColours colours = push->Colours();
    auto pixel = [](CSkinButton* button, QPoint p) {
        return QColor(button->grab().toImage().pixel(p));
    };
    EXPECT_EQ(pixel(push, {30, 15}), colours.face);
    push->setDown(true);
    EXPECT_EQ(pixel(push, {30, 15}), colours.pressedFace);
    push->setDown(false);

    toggle->SetCheck(1);
    EXPECT_EQ(pixel(toggle, {30, 15}), colours.checkedFace);
}

// A performer must see at a glance whether "The Kestrel" is on, whatever the desktop's
// palette: the checked face stands well apart from the unchecked one, and its caption from
// the checked face.
TEST(SkinButtonPalettes, CheckedToggleStandsOutInEveryPalette) {
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    const struct {
        const char* name;
        QPalette palette;
    } palettes[] = {
        {"Fusion", fusion->standardPalette()},
        {"dark", WithReadableBevels(QPalette(QColor(50, 50, 50)))},
        {"flat light", WithReadableBevels(QPalette(QColor(246, 245, 244)))},
    };
    auto distance = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
               std::abs(a.blue() - b.blue());
    };
    for (const auto& row : palettes) {
        CSkinButton toggle(SkinButtonKind::CheckBox, QStringLiteral("The Kestrel"));
        toggle.SetPushLike(true);
        toggle.setPalette(row.palette);
        toggle.resize(120, 30);
        const QColor off(toggle.grab().toImage().pixel(8, 15));
        toggle.SetCheck(1);
        const QColor on(toggle.grab().toImage().pixel(8, 15));
        EXPECT_GE(distance(on, off), 90) << row.name;
        EXPECT_GE(std::abs(toggle.Colours().checkedText.lightness() - on.lightness()), 100)
            << row.name;
    }
}

} // namespace
