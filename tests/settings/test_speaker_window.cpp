// The loudspeaker position window: its fields, arrows and pad, what each change stores and
// sends, and the links with the main window.
#include "support/PositionWindowFixture.h"

#include "controls/CRoundSliderCtrl.h"
#include "controls/CSpeakerPad.h"
#include "program/CUndoHistory.h"
#include "settings/CUpDownArrows.h"
#include "settings/PositionWindowIds.h"

#include <QLineEdit>
#include <QToolButton>
#include <QUndoStack>

namespace {

using Strings = std::vector<std::string>;

constexpr int kX = 0;
constexpr int kY = 1;
constexpr int kZ = 2;

int& Stored(CControllerDoc& doc, int speaker, int axis) {
    int(CControllerDoc::*arrays[])[8] = {&CControllerDoc::SpatOutXPos, &CControllerDoc::SpatOutYPos,
                                         &CControllerDoc::SpatOutZPos};
    return (doc.*arrays[axis])[speaker];
}

QPoint IconCentre(const CSpeakerPad& pad, int speaker) {
    return pad.SpeakerTopLeft(speaker) + QPoint(15, 15);
}

class SpeakerWindowTest : public PositionWindowTest {};

} // namespace

TEST_F(SpeakerWindowTest, OpensOnTheDocumentsLoudspeakersWithThePanelHidden) {
    Doc().SpatOutXPos[0] = 0;
    Doc().SpatOutYPos[0] = 127;
    window->move(300, 200); // room to its left for the new window
    CSpatOutsDlg* speakers = OpenSpeakers();
    ASSERT_NE(speakers, nullptr);
    EXPECT_TRUE(Wire().empty());
    EXPECT_EQ(speakers->windowTitle(), "Spat. Outs Position Manager");
    const QRect main = window->frameGeometry();
    EXPECT_EQ(speakers->pos(), QPoint(main.x() - 50, main.y() + main.height() / 2 - 50));

    // Room side 11: 0 shows -S/2, 127 +S/2 and 64 just off the centre.
    EXPECT_EQ(speakers->Field(0, kX)->text(), "-3.226");
    EXPECT_EQ(speakers->Field(0, kY)->text(), "3.226");
    EXPECT_EQ(speakers->Field(4, kZ)->text(), "0.025");
    for (int i = 0; i < 8; ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            QLineEdit* field = speakers->Field(i, axis);
            EXPECT_EQ(field->isEnabled(), i < 5) << i << "/" << axis;
            EXPECT_EQ(field->text().isEmpty(), i >= 5) << i << "/" << axis;
            EXPECT_TRUE(speakers->Arrows(i, axis)->isEnabled());
        }
    }
    QLineEdit* field = speakers->Field(1, kX);
    QTest::keyClicks(field, "99");
    EXPECT_EQ(field->text(), "0.025") << "the fields cannot be typed into";

    const int narrow = speakers->width();
    speakers->findChild<QAbstractButton*>("FineTuning")->click();
    EXPECT_EQ(speakers->width(), narrow + CSpatOutsDlg::kPanelWidth);
    EXPECT_TRUE(speakers->Field(7, kZ)->isVisible());
    speakers->findChild<QAbstractButton*>("FineTuning")->click();
    EXPECT_EQ(speakers->width(), narrow);
}

TEST_F(SpeakerWindowTest, HandEditedPositionsFarOutsideTheRangeSitAtTheEdges) {
    Doc().SpatOutXPos[0] = 2000000000;
    Doc().SpatOutYPos[0] = -2000000000;
    CSpatOutsDlg* speakers = OpenSpeakers();
    ASSERT_NE(speakers, nullptr);
    EXPECT_EQ(speakers->Pad()->SpeakerTopLeft(0), QPoint(279 - 15, 279 - 15));
    speakers->Pad()->MoveX(0, -2000000000);
    speakers->Pad()->MoveY(0, 2000000000);
    EXPECT_EQ(speakers->Pad()->SpeakerTopLeft(0), QPoint(-15, -15));
}

TEST_F(SpeakerWindowTest, ArrowsStepOneCoordinateWithinTheRangeAndSendIt) {
    struct Row {
        int speaker, axis, start;
        bool upper;
        int result;
        const char* sent;
        bool byKey = false; // the Up or Down key on the focused pair instead of a click
    };
    const Row rows[] = {
        {2, kX, 127, true, 127, "B2 0D 7F"}, // at the top the value stays and goes out again
        {0, kZ, 0, false, 0, "B0 0F 00"},
        {1, kY, 64, false, 63, "B1 0E 3F", true},
        {5, kY, 10, true, 11, "B5 0E 0B"}, // loudspeaker 6 is not in use: arrows still work
        {7, kX, 0, true, 1, "B7 0D 01", true},
        {3, kZ, 300, false, 126, "B3 0F 7E"}, // a hand-edited value steps from the range
    };
    Doc().ShowRawValues = true;
    CSpatOutsDlg* speakers = OpenSpeakers();
    ASSERT_NE(speakers, nullptr);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sent);
        ChooseChannel(row.speaker);
        Stored(Doc(), row.speaker, row.axis) = row.start;
        window->RefreshFromDocument();
        midi.ClearRecords();
        CUpDownArrows* arrows = speakers->Arrows(row.speaker, row.axis);
        if (row.byKey) {
            EXPECT_EQ(arrows->focusPolicy(), Qt::StrongFocus);
            QTest::keyClick(arrows, row.upper ? Qt::Key_Up : Qt::Key_Down);
        } else {
            (row.upper ? arrows->UpArrow() : arrows->DownArrow())->click();
        }

        Settle();
        EXPECT_EQ(Stored(Doc(), row.speaker, row.axis), row.result);
        EXPECT_EQ(Wire(), Strings{row.sent});
        EXPECT_EQ(speakers->Field(row.speaker, row.axis)->text(), QString::number(row.result));
        EXPECT_EQ(Control(ControlId::SpatOutXPos + row.axis)->value(), row.result)
            << "the main window shows this loudspeaker";
        const QPoint icon = speakers->Pad()->SpeakerTopLeft(row.speaker);
        if (row.axis == kX) {
            EXPECT_EQ(icon.x(), row.result * 279 / 127 - 15);
        } else if (row.axis == kY) {
            EXPECT_EQ(icon.y(), (127 - row.result) * 279 / 127 - 15);
        }
    }
    EXPECT_FALSE(speakers->Field(5, kY)->isEnabled());
}

// The pad by keyboard: a number key or Tab chooses a loudspeaker, an arrow moves it as a drag
// does, one undo step a press.
TEST_F(SpeakerWindowTest, KeysChooseAndMoveALoudspeaker) {
    Doc().NMatrixOutput = 3;
    CSpatOutsDlg* speakers = OpenSpeakers();
    ASSERT_NE(speakers, nullptr);
    CSpeakerPad* pad = speakers->Pad();
    pad->setFocus(Qt::TabFocusReason);
    QTest::keyClick(pad, Qt::Key_2);
    midi.ClearRecords();
    QTest::keyClick(pad, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(Doc().SpatOutXPos[1], 72);
    EXPECT_EQ(Wire(), (Strings{"B1 0D 48", "B1 0E 40", "B1 0F 40"}));
    QTest::keyClick(pad, Qt::Key_Tab);
    EXPECT_EQ(pad->KeyboardSpeaker(), 2);
    QTest::keyClick(pad, Qt::Key_PageDown);
    EXPECT_EQ(Doc().SpatOutYPos[2], 56);
    EXPECT_EQ(app->History().Stack().count(), 2);
    QTest::keyClick(pad, Qt::Key_Tab); // past the last loudspeaker: on to the next control
    EXPECT_FALSE(pad->hasFocus());
}

TEST_F(SpeakerWindowTest, DraggingLoudspeakerTwoStoresAndSendsItsPosition) {
    Doc().SpatOutXPos[1] = 100;
    Doc().SpatOutYPos[1] = 30;
    Doc().SpatOutZPos[1] = 77;
    ChooseChannel(1);
    CSpatOutsDlg* speakers = OpenSpeakers();
    ASSERT_NE(speakers, nullptr);
    CSpeakerPad* pad = speakers->Pad();
    QTest::mousePress(pad, Qt::LeftButton, {}, IconCentre(*pad, 1));
    midi.ClearRecords();
    QTest::mouseMove(pad, {-30, 300}); // off the pad: along its bottom-left corner
    EXPECT_EQ(Wire(), (Strings{"B1 0D 00", "B1 0E 00", "B1 0F 4D"}));
    EXPECT_EQ(pad->SpeakerTopLeft(1), QPoint(-15, 263));
    midi.ClearRecords();
    QTest::mouseMove(pad, {138, 278}); // px 139, py 1
    QTest::mouseRelease(pad, Qt::LeftButton, {}, {138, 278});
    Settle();

    EXPECT_EQ(Wire(), (Strings{"B1 0D 3F", "B1 0E 00", "B1 0F 4D"}));
    EXPECT_EQ(Doc().SpatOutXPos[1], 63);
    EXPECT_EQ(Doc().SpatOutYPos[1], 0);
    EXPECT_EQ(Doc().SpatOutZPos[1], 77);
    EXPECT_EQ(speakers->Field(1, kX)->text(), "-0.025");
    EXPECT_EQ(Control(ControlId::SpatOutXPos)->value(), 63);
    EXPECT_EQ(Control(ControlId::SpatOutYPos)->value(), 0);
    EXPECT_EQ(Doc().SpatOutXPos[0], 64) << "loudspeaker 1 stays";
}

TEST_F(SpeakerWindowTest, TheMainWindowsControlsAndCommandsReachTheOpenWindow) {
    CSpatOutsDlg* speakers = OpenSpeakers();
    ASSERT_NE(speakers, nullptr);
    CSpeakerPad* pad = speakers->Pad();

    ChooseChannel(2);
    Control(ControlId::SpatOutXPos)->setSliderPosition(127);
    Control(ControlId::SpatOutZPos)->setSliderPosition(0);
    Settle();
    EXPECT_EQ(pad->SpeakerTopLeft(2).x(), 279 - 15);
    EXPECT_EQ(speakers->Field(2, kX)->text(), "3.226");
    EXPECT_EQ(speakers->Field(2, kZ)->text(), "-3.226");

    app->ToggleRawValues();
    EXPECT_EQ(speakers->Field(2, kX)->text(), "127");
    EXPECT_EQ(speakers->Field(4, kY)->text(), "64");
    app->ToggleRawValues();

    // The room side changes the metres; the count of loudspeakers what is shown.
    Control(ControlId::RoomSide)->setValue(0);
    emit static_cast<CRoundSliderCtrl*>(Control(ControlId::RoomSide))
        ->scrolled(ScrollCode::ThumbTrack, 0);
    Settle();
    EXPECT_EQ(speakers->Field(2, kX)->text(), "2.000");
    for (int i = 0; i < 4; ++i) {
        Doc().SpatOutXPos[i] = 10; // out of the way of loudspeaker 5 on the centre
    }
    Control(ControlId::NMatrixOutput)->setValue(4);
    emit static_cast<CRoundSliderCtrl*>(Control(ControlId::NMatrixOutput))
        ->scrolled(ScrollCode::ThumbTrack, 4);
    Settle();
    ASSERT_EQ(Doc().NMatrixOutput, 4);
    EXPECT_FALSE(speakers->Field(4, kX)->isEnabled());
    EXPECT_TRUE(speakers->Field(4, kX)->text().isEmpty());
    EXPECT_EQ(pad->ShownCount(), 4);
    midi.ClearRecords();
    QTest::mousePress(pad, Qt::LeftButton, {}, IconCentre(*pad, 4));
    QTest::mouseMove(pad, {20, 20});
    QTest::mouseRelease(pad, Qt::LeftButton, {}, {20, 20});
    EXPECT_TRUE(Wire().empty()) << "loudspeaker 5 is not in use and cannot be picked";

    // A count above 8 from a hand-edited file shows all eight.
    Doc().NMatrixOutput = 12;
    speakers->ReinitialiseSpeakerPad();
    EXPECT_EQ(pad->ShownCount(), 8);
    EXPECT_EQ(speakers->Field(7, kZ)->text(), "0.016"); // room side 0

    ExecuteDiscarding(CommandId::New); // reloads the pad from the reset document
    Settle();
    EXPECT_EQ(pad->ShownCount(), 5);
    EXPECT_TRUE(speakers->Field(5, kX)->text().isEmpty());

    speakers->close();
    EXPECT_EQ(window->OpenedWindow(SettingsWindow::SpatOuts), nullptr);
    CSpatOutsDlg* again = OpenSpeakers();
    ASSERT_NE(again, nullptr);
    EXPECT_FALSE(again->IsFineTuningShown());
}
