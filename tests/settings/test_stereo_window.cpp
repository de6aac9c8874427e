// The stereo source window: where its sliders and the dragged cross put a channel pair,
// what is stored and sent, and when the main window follows.
#include "support/PositionWindowFixture.h"

#include "controls/CPositionPad.h"
#include "controls/CSkinButton.h"
#include "controls/CSkinSlider.h"
#include "controls/CStereoPad.h"
#include "program/CUndoHistory.h"
#include "settings/PositionWindowIds.h"

#include <QUndoStack>

namespace {

using Strings = std::vector<std::string>;
using namespace StereoSourceId;

class StereoWindowTest : public PositionWindowTest {
protected:
    void OpenWindow() {
        stereo = OpenStereo();
        ASSERT_NE(stereo, nullptr);
        pad = stereo->Pad();
    }
    void Move(int sliderId, int value) { stereo->Slider(sliderId)->setSliderPosition(value); }
    QString Text(int labelId) {
        for (QLabel* label : stereo->findChildren<QLabel*>()) {
            if (label->property("controlId").toInt() == labelId) {
                return label->text();
            }
        }
        return QStringLiteral("(no label %1)").arg(labelId);
    }
    void SelectPair(int k) {
        stereo->findChild<CSkinButton*>(QStringLiteral("PairButton%1").arg(k + 1))->click();
    }

    CStereoSourceDlg* stereo = nullptr;
    CStereoPad* pad = nullptr;
};

} // namespace

TEST_F(StereoWindowTest, OpeningShowsThePlacementButLeavesTheSetupAlone) {
    Doc().XPosition[0] = 10;
    Doc().YPosition[1] = 40;
    const QPoint marker = window->SourcePad()->MarkerTopLeft();
    OpenWindow();

    EXPECT_TRUE(Wire().empty());
    EXPECT_EQ(Doc().XPosition[0], 10);
    EXPECT_EQ(Doc().YPosition[1], 40);
    EXPECT_EQ(window->SourcePad()->MarkerTopLeft(), marker);
    EXPECT_EQ(pad->FirstTopLeft(), QPoint(58, 12));
    EXPECT_EQ(pad->SecondTopLeft(), QPoint(196, 8));
    EXPECT_EQ(Text(ElevationValue), "42");
    EXPECT_EQ(Text(FocusValue), "127");
    EXPECT_EQ(Text(WidthValue), "60");
    EXPECT_EQ(Text(AngleValue), "0");
    const QRect main = window->frameGeometry();
    EXPECT_EQ(stereo->pos(), QPoint(main.x() + main.width() - stereo->frameGeometry().width() - 150,
                                    main.y() + main.height() / 2));

    // The first placement from the sliders stores and sends what the opening shows.
    stereo->Recompute();
    EXPECT_EQ(Wire(), (Strings{"B0 14 1E", "B1 14 5D", "B0 15 76", "B1 15 78"}));
    EXPECT_EQ(Doc().XPosition[0], 30);
    EXPECT_EQ(Doc().YPosition[0], 118);
    EXPECT_EQ(Doc().XPosition[1], 93);
    EXPECT_EQ(Doc().YPosition[1], 120);
}

TEST_F(StereoWindowTest, FocusAndWidthPlaceThePairAroundTheCross) {
    OpenWindow();
    Move(FocusSlider, 0);
    EXPECT_EQ(Text(FocusValue), "0");
    EXPECT_EQ(Wire(), (Strings{"B0 14 3F", "B1 14 3F", "B0 15 40", "B1 15 40"}));
    EXPECT_EQ(pad->FirstTopLeft(), pad->CrossTopLeft());
    EXPECT_EQ(pad->SecondTopLeft(), pad->CrossTopLeft());

    Move(FocusSlider, 127);
    Move(WidthSlider, 0);
    EXPECT_EQ(Text(WidthValue), "0");
    EXPECT_EQ(pad->FirstTopLeft(), pad->CrossTopLeft());
    EXPECT_EQ(pad->SecondTopLeft(), pad->CrossTopLeft());

    Move(WidthSlider, 127);
    EXPECT_EQ(Text(WidthValue), "360");
    Move(AngleSlider, 0);
    EXPECT_EQ(Text(AngleValue), "-180");
    app->ToggleRawValues();
    EXPECT_EQ(Text(AngleValue), "0");
    EXPECT_EQ(Text(WidthValue), "127");
}

TEST_F(StereoWindowTest, APairAppliesFromTheNextMoveOnItsTwoChannels) {
    OpenWindow();
    SelectPair(2);
    EXPECT_TRUE(Wire().empty()) << "choosing a pair sends nothing";
    EXPECT_EQ(stereo->FirstChannel(), 4);
    Move(FocusSlider, 100);
    const Strings sent = Wire();
    ASSERT_EQ(sent.size(), 4u);
    const char* statuses[] = {"B4 14", "B5 14", "B4 15", "B5 15"};
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].substr(0, 5), statuses[i]);
    }
    EXPECT_EQ(Doc().XPosition[0], 64) << "channels 1 and 2 keep their places";

    SelectPair(1);
    ChooseChannel(2); // "Ch. 3", the first of the pair
    midi.ClearRecords();
    Move(ElevationSlider, 100);
    Settle();
    EXPECT_EQ(Wire(), (Strings{"B2 16 64", "B3 16 64"}));
    EXPECT_EQ(Doc().ZPosition[2], 100);
    EXPECT_EQ(Doc().ZPosition[3], 100);
    EXPECT_EQ(Doc().ZPosition[4], 64);
    EXPECT_EQ(Text(ElevationValue), "100");
    EXPECT_EQ(Control(ControlId::ZPosition)->value(), 100);
    EXPECT_EQ(LabelText(ControlId::SourceZLabel), "1.855");
}

TEST_F(StereoWindowTest, TheMainWindowFollowsOnlyWhenItShowsOneOfThePair) {
    OpenWindow();
    Doc().ShowRawValues = true;
    SelectPair(1);
    ChooseChannel(3); // "Ch. 4", the pair's second channel
    Move(AngleSlider, 30);
    Settle();
    const int x2 = Doc().XPosition[3];
    const int y2 = Doc().YPosition[3];
    CPositionPad* source = window->SourcePad();
    const int w = source->width();
    const int h = source->height();
    EXPECT_EQ(source->MarkerTopLeft(), QPoint(x2 * w / 127 - 10, (127 - y2) * h / 127 - 10));
    EXPECT_EQ(LabelText(ControlId::SourceXLabel), QString::number(x2));
    EXPECT_EQ(LabelText(ControlId::SourceYLabel), QString::number(y2));

    ChooseChannel(0);
    const QPoint marker = source->MarkerTopLeft();
    const QString label = LabelText(ControlId::SourceXLabel);
    midi.ClearRecords();
    Move(AngleSlider, 90);
    Settle();
    EXPECT_EQ(source->MarkerTopLeft(), marker);
    EXPECT_EQ(LabelText(ControlId::SourceXLabel), label);
    ASSERT_EQ(Wire().size(), 4u);
    EXPECT_EQ(Wire()[3], QString::asprintf("B3 15 %02X", Doc().YPosition[3]).toStdString());
    EXPECT_LT(Doc().XPosition[2], 64) << "Angle 90 turns the pair to the left";
    EXPECT_LT(Doc().XPosition[3], 64);
}

// By keyboard: the pad takes the focus and an arrow moves the cross as a drag does, each
// press one undo step.
TEST_F(StereoWindowTest, ArrowKeysMoveTheCross) {
    OpenWindow();
    pad->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(pad->hasFocus());
    const QPoint cross = pad->CrossTopLeft();
    midi.ClearRecords();
    QTest::keyClick(pad, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(pad, Qt::Key_Left);
    EXPECT_GT(pad->CrossTopLeft().y(), cross.y());
    EXPECT_LT(pad->CrossTopLeft().x(), cross.x());
    EXPECT_FALSE(Wire().empty()) << "sent as a drag sends";
    EXPECT_EQ(app->History().Stack().count(), 2);
}

// A slider's drag ends on the slider's own end code: the key press after it is a step of its
// own, not merged into the drag however soon it comes.
TEST_F(StereoWindowTest, ASliderDragIsAStepOfItsOwn) {
    OpenWindow();
    app->History().Clear();
    CSkinSlider* elevation = stereo->Slider(ElevationSlider);
    Move(ElevationSlider, 90); // as the thumb is dragged: ThumbTrack
    Move(ElevationSlider, 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(app->History().Stack().count(), 0) << "the drag goes on";
    emit elevation->scrolled(ScrollCode::ThumbPosition, 100);
    EXPECT_EQ(app->History().Stack().count(), 1);
    QTest::keyClick(elevation, Qt::Key_Up);
    QCoreApplication::processEvents();
    EXPECT_EQ(Doc().ZPosition[0], 101);
    EXPECT_EQ(app->History().Stack().count(), 2);
    window->ExecuteCommand(CommandId::Undo);
    EXPECT_EQ(Doc().ZPosition[0], 100);
}
