// Every knob and slider of the main window: the document value it edits, the readout it
// writes and the Control Change it sends the moment it moves; the source pad's arithmetic;
// and undoing and redoing what the controls change.
#include "support/MainWindowFixture.h"

#include "controls/CPositionPad.h"
#include "controls/CRoundSliderCtrl.h"
#include "model/ParameterTable.h"
#include "program/CUndoHistory.h"
#include "tracker/CTrackerLink.h"
#include "ui/MainWindowLayout.h"

#include <QAccessible>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionSlider>
#include <QUndoStack>
#include <QWheelEvent>

#include <cmath>
#include <functional>
#include <limits>

namespace {

struct ControlCase {
    int id;
    const char* caption;
    const char* text; // readout value at the control's top end
    int status;       // 0xB0 for the shown channel's own status byte
    int controller;
};

constexpr int kShown = 0xB0;

// Each control is stepped from one below its top end to the top by the keyboard.
const ControlCase kCases[] = {
    {ControlId::BellFactor, "  BELL FACTOR", "127", kShown, 9},
    {ControlId::Attenuation, "  ATTENUATION (db)", "-inf", kShown, 8},
    {ControlId::DopplerDepth, "  DOPPLER DEPTH", "127", kShown, 6},
    {ControlId::ITDDepth, "  ITD DEPTH", "127", kShown, 11},
    {ControlId::FrontRear, "  FRONT-REAR SPECTRAL ENHANCE", "127", kShown, 16},
    {ControlId::GainEnhance, "  GAIN ENHANCE (db)", "0.000", kShown, 12},
    {ControlId::RoomSide, "  ROOM SIDE (m)", "1000.000", 0xB3, 0},
    {ControlId::NMatrixOutput, "  NUMBER OF SPEAKER", "8", 0xB1, 0},
    {ControlId::InputLevel, "  SPATIALIZER INPUT LEVEL (db)", "0.000", kShown, 7},
    {ControlId::LPFCutOff, "  SPATIALIZER LOWPASS FILTER CUTOFF", "18389.491", kShown, 4},
    {ControlId::HPFCutOff, "  SPATIALIZER HIGHPASS FILTER CUTOFF", "11025.000", kShown, 5},
    {ControlId::SubMixAInput, "  SUBMIX A INPUT LEVEL (db)", "0.000", kShown, 28},
    {ControlId::SubMixBInput, "  SUBMIX B INPUT LEVEL (db)", "0.000", kShown, 29},
    {ControlId::InsertAGain, "  INSERT A GAIN (db)", "0.000", kShown, 30},
    {ControlId::InsertBGain, "  INSERT B GAIN (db)", "0.000", kShown, 31},
    {ControlId::SpatOutXPos, "  SPEAKER X POSITION (m)", "3.226", kShown, 13},
    {ControlId::SpatOutYPos, "  SPEAKER Y POSITION (m)", "3.226", kShown, 14},
    {ControlId::SpatOutZPos, "  SPEAKER Z POSITION (m)", "3.226", kShown, 15},
    {ControlId::MasterOutgain, "  RURUZIV OUTPUT MASTER LEVEL (db)", "0.000", 0xB2, 0},
    {ControlId::MatrixSpeed, "  DOPPLER TRACKING", "127", 0xB4, 0},
    {ControlId::ZPosition, "  SOURCE Z POSITION (m)", "3.226", kShown, 22},
};

class MainControlsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        midi.AddOutputDevice("Processor");
        Start();
        ChooseOutput(1);
        ChooseChannel(kChannel);
        midi.ClearRecords();
    }
    CTrackerLink* Tracker() const { return &app->Tracker(); }
    static constexpr int kChannel = 2;
};

} // namespace

TEST_F(MainControlsTest, EachControlStoresShowsAndSendsItsValue) {
    ASSERT_EQ(std::size(kCases), kMainControls.size());
    for (const ControlCase& test : kCases) {
        const MainControl& row = *FindMainControl(test.id);
        SCOPED_TRACE(std::string(row.objectName));
        Doc().RoomSide = 11; // the metre texts depend on it
        row.Value(Doc(), kChannel) = row.maximum - 1;
        window->RefreshFromDocument();
        RestLink();
        midi.ClearRecords();

        QAbstractSlider* control = Control(test.id);
        control->setFocus();
        QTest::keyClick(control, row.kind == MainControlKind::Knob ? Qt::Key_Right : Qt::Key_Up);

        EXPECT_EQ(control->value(), row.maximum);
        EXPECT_EQ(row.Value(Doc(), kChannel), row.maximum);
        EXPECT_EQ(LabelText(ControlId::ReadoutCaption), test.caption);
        EXPECT_EQ(LabelText(ControlId::ReadoutValue), test.text);
        const std::vector<PortEvent> sent = Sent();
        // The key press and its release are both notifications: each sends the value.
        ASSERT_EQ(sent.size(), 2u);
        for (const PortEvent& event : sent) {
            EXPECT_EQ(event.status, test.status == kShown ? kShown + kChannel : test.status);
            EXPECT_EQ(event.data1, test.controller);
            EXPECT_EQ(event.data2, row.maximum);
        }

        if (row.kind == MainControlKind::Knob) {
            // A notch of the wheel towards the operator is a Left key: stored and sent.
            midi.ClearRecords();
            const QPointF centre(control->width() / 2.0, control->height() / 2.0);
            QWheelEvent wheel(centre, control->mapToGlobal(centre), {}, {0, -120}, Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(control, &wheel);
            EXPECT_EQ(row.Value(Doc(), kChannel), row.maximum - 1);
            ASSERT_EQ(Sent().size(), 2u);
            EXPECT_EQ(Sent().back().data2, row.maximum - 1);
        }
    }
    EXPECT_EQ(LabelText(ControlId::SourceZLabel), "3.226") << "the Z slider writes its label";
}

TEST_F(MainControlsTest, RangeEndsOfTheKnobsAndLevelTexts) {
    Doc().NMatrixOutput = 1;
    Doc().InputLevel[kChannel] = 1;
    window->RefreshFromDocument();
    QTest::keyClick(Control(ControlId::InputLevel), Qt::Key_Down);
    EXPECT_EQ(LabelText(ControlId::ReadoutValue), "-inf");
    EXPECT_EQ(Doc().InputLevel[kChannel], 0);

    Control(ControlId::NMatrixOutput)->setValue(0);
    EXPECT_EQ(Control(ControlId::NMatrixOutput)->value(), 1);
    Control(ControlId::NMatrixOutput)->setValue(9);
    EXPECT_EQ(Control(ControlId::NMatrixOutput)->value(), 8);
}

namespace {

QPoint HandleCentre(const QSlider& slider) {
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = slider.orientation();
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    option.sliderPosition = slider.sliderPosition();
    option.sliderValue = slider.value();
    option.upsideDown = slider.orientation() == Qt::Vertical && !slider.invertedAppearance();
    option.tickPosition = slider.tickPosition();
    option.tickInterval = slider.tickInterval();
    return slider.style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider)
        .center();
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

TEST_F(MainControlsTest, ADragSendsEveryStepAndTheReleaseSendsTheFinalValueAgain) {
    auto* slider = static_cast<QSlider*>(Control(ControlId::InsertAGain));
    const QPoint grip = HandleCentre(*slider);
    SendMouse(slider, QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
    ASSERT_TRUE(slider->isSliderDown());
    for (int y = grip.y() - 30; y > 20; y -= 30) {
        SendMouse(slider, QEvent::MouseMove, {grip.x(), y}, Qt::NoButton, Qt::LeftButton);
    }
    SendMouse(slider, QEvent::MouseButtonRelease, {grip.x(), 20}, Qt::LeftButton, Qt::NoButton);

    const std::vector<PortEvent> sent = Sent();
    ASSERT_GE(sent.size(), 3u);
    const int final = slider->value();
    EXPECT_GT(final, 64);
    EXPECT_EQ(Doc().InsertAGain[kChannel], final);
    EXPECT_EQ(sent.back().data2, final);
    EXPECT_EQ(sent[sent.size() - 2].data2, final) << "the release resends the final value";
    for (const PortEvent& event : sent) {
        EXPECT_EQ(event.status, 0xB0 + kChannel);
        EXPECT_EQ(event.data1, 30);
    }
}

namespace {

struct PadCase {
    const char* name;
    double x, y;
    int zSlider; // the Z slider's value before
    int expectedX, expectedY, expectedZ;
};

// Drags in pad pixels; the tracker's readings have their own table with the tracker link.
const PadCase kPadCases[] = {
    {"centre", 95.0, 95.0, 40, 63, 63, 40},
    {"far left and bottom", -5.0, -6.0, 40, 0, 0, 40},
    {"far right and top", 196.0, 196.0, 40, 127, 127, 40},
    {"beyond every edge", -500.0, 900.0, 40, 0, 127, 40},
    {"the height stays, whatever the slider shows", 10.0, 10.0, 127, 10, 10, 127},
    {"not a number", std::numeric_limits<double>::quiet_NaN(), 1.0e300, 40, 0, 127, 40},
};

} // namespace

TEST_F(MainControlsTest, PadPositionsAreScaledClampedStoredAndSent) {
    std::array<int, 3> wire{-1, -1, -1}; // what the processor has of X, Y and Z
    for (const PadCase& test : kPadCases) {
        SCOPED_TRACE(test.name);
        Doc().ZPosition[kChannel] = test.zSlider;
        window->RefreshFromDocument();
        midi.ClearRecords();
        const QString readout = LabelText(ControlId::ReadoutValue);

        window->ApplyPadPosition(test.x, test.y);

        EXPECT_EQ(Doc().XPosition[kChannel], test.expectedX);
        EXPECT_EQ(Doc().YPosition[kChannel], test.expectedY);
        EXPECT_EQ(Doc().ZPosition[kChannel], test.expectedZ);
        EXPECT_EQ(Control(ControlId::ZPosition)->value(), test.expectedZ);
        // A drag sends only what the processor does not have yet.
        for (const PortEvent& e : Sent()) {
            ASSERT_EQ(e.status, 0xB0 + kChannel);
            ASSERT_TRUE(e.data1 >= 20 && e.data1 <= 22);
            EXPECT_NE(wire[e.data1 - 20], e.data2) << "sent again";
            wire[e.data1 - 20] = e.data2;
        }
        EXPECT_EQ(wire, (std::array<int, 3>{test.expectedX, test.expectedY, test.expectedZ}));
        EXPECT_EQ(LabelText(ControlId::SourceXLabel),
                  QString::fromStdString(FormatMetres(11, test.expectedX)));
        EXPECT_EQ(LabelText(ControlId::ReadoutValue), readout) << "the pad leaves the readout";
    }
}

// The tracker's positions reach the shown channel through the live entry, not the pad: the
// pad's marker, the Z slider and the labels follow the document as for any other change.
TEST_F(MainControlsTest, TrackerPositionMovesTheShownChannelAndThePadFollows) {
    CPositionPad* pad = window->SourcePad();
    emit Tracker()->PositionArrived(0.0, 127.0, 0.0);
    EXPECT_EQ(Doc().XPosition[kChannel], 0);
    EXPECT_EQ(Doc().YPosition[kChannel], 127);
    EXPECT_EQ(Doc().ZPosition[kChannel], 0);
    EXPECT_EQ(Sent().size(), 3u);
    Settle();
    const QPoint placed = pad->MarkerTopLeft();
    pad->SetFromValues(0, 127);
    EXPECT_EQ(pad->MarkerTopLeft(), placed) << "the marker stands for the values";
    EXPECT_EQ(Control(ControlId::ZPosition)->value(), 0);
    EXPECT_EQ(LabelText(ControlId::SourceZLabel), "-3.226");
}

TEST_F(MainControlsTest, DraggingThePadMarkerSendsThePosition) {
    CPositionPad* pad = window->SourcePad();
    const QPoint grip = pad->MarkerTopLeft() + QPoint(9, 9);
    QMouseEvent press(QEvent::MouseButtonPress, grip, pad->mapToGlobal(grip), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pad, &press);
    const QPoint corner(pad->width() - 1, 0);
    QMouseEvent move(QEvent::MouseMove, corner, pad->mapToGlobal(corner), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pad, &move);
    EXPECT_EQ(Doc().XPosition[kChannel], 127);
    EXPECT_EQ(Doc().YPosition[kChannel], 127);
    EXPECT_EQ(Doc().ZPosition[kChannel], Control(ControlId::ZPosition)->value());

    // Qt keeps delivering moves once the pointer has left the pad.
    const QPoint outside(-80, 300);
    QMouseEvent away(QEvent::MouseMove, outside, pad->mapToGlobal(outside), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pad, &away);
    EXPECT_EQ(Doc().XPosition[kChannel], 0);
    EXPECT_EQ(Doc().YPosition[kChannel], 0);
    const QPoint dragged = pad->MarkerTopLeft();
    pad->SetFromValues(0, 0);
    EXPECT_EQ(dragged, pad->MarkerTopLeft()) << "the marker shows the values that were sent";
}

TEST_F(MainControlsTest, ChangesFromElsewhereMoveTheControlsWithoutSending) {
    QTest::keyClick(Control(ControlId::SpatOutXPos), Qt::Key_Up);
    Settle();
    midi.ClearRecords();
    const int stored = Doc().SpatOutXPos[kChannel];
    const int steps = window->UndoHistory().Stack().count();

    // Changed as the network changes them: stored, and sent by whoever changed them.
    Doc().Set(KeyOf(&CControllerDoc::SpatOutXPos, kChannel + 1), 3, ChangeOrigin::Live);
    Settle(); // another speaker: nothing at all
    EXPECT_EQ(Control(ControlId::SpatOutXPos)->value(), stored);
    Doc().Set(KeyOf(&CControllerDoc::SpatOutXPos, kChannel), 127, ChangeOrigin::Live);
    EXPECT_EQ(Control(ControlId::SpatOutXPos)->value(), stored) << "shown once the pass ends";
    Settle();
    EXPECT_EQ(Control(ControlId::SpatOutXPos)->value(), 127);
    EXPECT_EQ(LabelText(ControlId::ReadoutValue), "3.226");
    Doc().Set(KeyOf(&CControllerDoc::LPFCutOff, kChannel), 20, ChangeOrigin::Live);
    Settle(); // the readout names another parameter: only the slider moves
    EXPECT_EQ(Control(ControlId::LPFCutOff)->value(), 20);
    EXPECT_EQ(LabelText(ControlId::ReadoutValue), "3.226");
    // A source position moves the pad's marker, its labels and the Z slider.
    ASSERT_NE(Doc().XPosition[kChannel], 0);
    const QPoint marker = window->SourcePad()->MarkerTopLeft();
    const std::pair<ParameterKey, int> position[] = {
        {KeyOf(&CControllerDoc::XPosition, kChannel), 0},
        {KeyOf(&CControllerDoc::ZPosition, kChannel), 127}};
    Doc().Apply(position, ChangeOrigin::Live);
    Settle();
    EXPECT_NE(window->SourcePad()->MarkerTopLeft(), marker);
    EXPECT_EQ(LabelText(ControlId::SourceXLabel), "-3.226");
    EXPECT_EQ(LabelText(ControlId::SourceZLabel), "3.226");
    EXPECT_EQ(Control(ControlId::ZPosition)->value(), 127);
    EXPECT_EQ(Control(ControlId::LPFCutOff)->value(), 20);

    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(window->UndoHistory().Stack().count(), steps);
}

namespace {

// A caption's lines read back as one text: a line ending in "-" continues its word.
QString Rejoined(const QStringList& lines) {
    QString text;
    for (const QString& line : lines) {
        if (text.endsWith(QLatin1Char('-'))) {
            text.chop(1);
        } else if (!text.isEmpty()) {
            text += QLatin1Char(' ');
        }
        text += line;
    }
    return text;
}

} // namespace

// Every caption reads on its own: lines break only between words (or after a hyphen), fit
// their label, and neither touch another caption nor run under a control. Headers and the
// output list's entries show whole.
TEST_F(MainControlsTest, CaptionsAreWholeWordsClearOfEachOther) {
    struct Box {
        QString name;
        QRect text;
    };
    // Run once for each face (ctest sets a fontconfig offering that face alone): without
    // it installed nothing would be measured at all.
    if (qEnvironmentVariableIsSet("FONTCONFIG_FILE")) {
        ASSERT_TRUE(QFontDatabase::families().contains(QFontInfo(Label(1050)->font()).family()))
            << "the face of this run is not installed";
    }
    std::vector<Box> boxes;
    for (const MainWindowLayout::Label& row : MainWindowLayout::kLabels) {
        if (row.style == MainWindowLayout::LabelStyle::Header) {
            const QLabel* header = Label(row.id);
            EXPECT_LE(header->fontMetrics().horizontalAdvance(header->text()) + 4, header->width())
                << row.objectName;
        }
        if (row.style != MainWindowLayout::LabelStyle::Caption) {
            continue;
        }
        QLabel* label = Label(row.id);
        const QString name =
            QString::fromUtf8(row.objectName.data(), static_cast<qsizetype>(row.objectName.size()));
        const QFontMetrics metrics(label->font());
        const QStringList lines = label->text().split(QLatin1Char('\n'));
        QString written =
            QString::fromUtf8(row.text.data(), static_cast<qsizetype>(row.text.size()));
        written.remove(QChar(0x00AD));
        EXPECT_EQ(Rejoined(lines), written) << name.toStdString();
        int longest = 0;
        for (const QString& line : lines) {
            longest = std::max(longest, metrics.horizontalAdvance(line));
        }
        EXPECT_LE(longest + 4, label->width()) << name.toStdString();
        const QRect place = label->geometry();
        boxes.push_back({name, QRect(place.center().x() - longest / 2, place.top(), longest,
                                     static_cast<int>(lines.size()) * metrics.lineSpacing())});
    }
    EXPECT_EQ(Rejoined(Label(1047)->text().split(QLatin1Char('\n'))), "Attenuation");

    // The output list shows each of its entries whole: the prompt, the device gone absent and
    // the note that no device is left.
    midi.WithdrawOutput(0);
    QCoreApplication::processEvents();
    QComboBox* outputs = List(ControlId::OutputList);
    ASSERT_EQ(outputs->count(), 3);
    QStyleOptionComboBox option;
    option.initFrom(outputs);
    const QRect field = outputs->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                         QStyle::SC_ComboBoxEditField, outputs);
    for (int i = 0; i < outputs->count(); ++i) {
        EXPECT_LE(outputs->fontMetrics().horizontalAdvance(outputs->itemText(i)), field.width())
            << outputs->itemText(i).toStdString();
    }
    ASSERT_EQ(boxes.size(), 24u);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
            EXPECT_FALSE(boxes[i].text.adjusted(-1, 0, 1, 0).intersects(boxes[j].text))
                << boxes[i].name.toStdString() << " touches " << boxes[j].name.toStdString();
        }
        for (const MainControl& control : kMainControls) {
            const QWidget* widget = Control(control.id);
            const QRect drawn = widget->mask().isEmpty()
                                    ? widget->geometry()
                                    : widget->mask().boundingRect().translated(widget->pos());
            EXPECT_FALSE(boxes[i].text.intersects(drawn))
                << boxes[i].name.toStdString() << " runs under " << control.objectName;
        }
    }
}

// Undo and redo: which gestures make one step, and what an undo and a redo put back on the
// wire, the controls and the title.
namespace {

void Click(QAbstractSlider* control, Qt::Key key) {
    QTest::keyClick(control, key);
    QCoreApplication::processEvents(); // the press ends between keys, as a hand's do
}

// `midway` runs halfway through the drag.
void DragPad(CPositionPad* pad, const std::function<void()>& midway = {}) {
    const QPoint from = pad->rect().center();
    SendMouse(pad, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int step = 1; step <= 40; ++step) {
        SendMouse(pad, QEvent::MouseMove, from + QPoint(step, -step), Qt::NoButton, Qt::LeftButton);
        QCoreApplication::processEvents();
        if (step == 20 && midway) {
            midway();
        }
    }
    SendMouse(pad, QEvent::MouseButtonRelease, from + QPoint(40, -40), Qt::LeftButton,
              Qt::NoButton);
}

struct GestureCase {
    const char* name;
    std::function<void()> act;
    int steps;
    const char* undoText;
    std::function<void()> prepare = {}; // the document before, when not its defaults
    // What undoing leaves as it is, because the gesture did not change it.
    std::function<void(std::vector<int>& before)> notUndone = {};
};

} // namespace

TEST_F(MainControlsTest, EachGestureIsOneStepAndUndoingItRestoresWhatWasBefore) {
    const GestureCase cases[] = {
        {"three presses on one slider",
         [this] {
             for (int i = 0; i < 3; ++i) {
                 Click(Control(ControlId::LPFCutOff), Qt::Key_Down);
             }
         },
         1, "&Undo LPF Cutoff, Ch. 3\tCtrl+Z"},
        {"presses on a slider and a knob",
         [this] {
             Click(Control(ControlId::LPFCutOff), Qt::Key_Down);
             Click(Control(ControlId::RoomSide), Qt::Key_Right);
         },
         2, "&Undo Room Side\tCtrl+Z"},
        {"a slider drag",
         [this] {
             auto* slider = static_cast<QSlider*>(Control(ControlId::InsertAGain));
             const QPoint grip = HandleCentre(*slider);
             SendMouse(slider, QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
             for (int y = grip.y() - 10; y > 20; y -= 10) {
                 SendMouse(slider, QEvent::MouseMove, {grip.x(), y}, Qt::NoButton, Qt::LeftButton);
                 QCoreApplication::processEvents();
             }
             SendMouse(slider, QEvent::MouseButtonRelease, {grip.x(), 20}, Qt::LeftButton,
                       Qt::NoButton);
         },
         1, "&Undo Insert A Gain, Ch. 3\tCtrl+Z"},
        {"a pad drag of forty positions", [this] { DragPad(window->SourcePad()); }, 1,
         "&Undo Source Position, Ch. 3\tCtrl+Z"},
        {"tracker positions", [this] { emit Tracker()->PositionArrived(20.0, 30.0, 40.0); }, 0,
         "&Undo\tCtrl+Z"},
        {"a tracker position during a pad drag is no part of it",
         [this] {
             DragPad(window->SourcePad(), [this] { emit Tracker()->PositionArrived(5, 5, 9); });
         },
         1,
         "&Undo Source Position, Ch. 3\tCtrl+Z",
         {},
         [](std::vector<int>& before) { // the tracker's height stays
             before[ValueIndex(KeyOf(&CControllerDoc::ZPosition, kChannel))] = 9;
         }},
        {"a thumb drag ends on the knob's own end code, with no button seen",
         [this] {
             auto* knob = static_cast<CRoundSliderCtrl*>(Control(ControlId::RoomSide));
             for (const int value : {20, 30, 40}) {
                 knob->setValue(value);
                 emit knob->scrolled(ScrollCode::ThumbTrack, value);
                 QCoreApplication::processEvents();
             }
             emit knob->scrolled(ScrollCode::ThumbPosition, 40);
             Click(Control(ControlId::RoomSide), Qt::Key_Right); // a step of its own
         },
         2, "&Undo Room Side\tCtrl+Z"},
        {"a drag whose end has not come goes on",
         [this] {
             auto* knob = static_cast<CRoundSliderCtrl*>(Control(ControlId::RoomSide));
             knob->setValue(20);
             emit knob->scrolled(ScrollCode::ThumbTrack, 20);
         },
         0, "&Undo\tCtrl+Z"},
        {"New", [this] { ExecuteDiscarding(CommandId::New); }, 1, "&Undo New\tCtrl+Z",
         [this] { Doc().InputLevel[5] = 17; }},
    };
    for (const GestureCase& test : cases) {
        SCOPED_TRACE(test.name);
        window->UndoHistory().Clear();
        if (test.prepare) {
            test.prepare();
        }
        const std::vector<int> before = Doc().Values();
        test.act();
        QCoreApplication::processEvents();
        const std::vector<int> after = Doc().Values();
        EXPECT_EQ(window->UndoHistory().Stack().count(), test.steps);
        EXPECT_EQ(window->CommandAction(CommandId::Undo)->text(), test.undoText);
        EXPECT_EQ(window->CommandAction(CommandId::Undo)->isEnabled(), test.steps > 0);
        for (int i = 0; i < test.steps; ++i) {
            window->ExecuteCommand(CommandId::Undo);
        }
        if (test.steps > 0) {
            std::vector<int> undone = before;
            if (test.notUndone) {
                test.notUndone(undone);
            }
            EXPECT_EQ(Doc().Values(), undone);
            for (int i = 0; i < test.steps; ++i) {
                window->ExecuteCommand(CommandId::Redo);
            }
            EXPECT_EQ(Doc().Values(), after);
        }
        Doc().ResetToDefaults();
        window->RefreshFromDocument();
    }
}

namespace {

struct UndoSendCase {
    const char* name;
    std::function<void()> act;
    std::vector<std::string> undone, redone;
};

std::vector<std::string> Texts(const std::vector<PortEvent>& events) {
    std::vector<std::string> texts;
    for (const PortEvent& e : events) {
        texts.push_back(
            QString::asprintf("%02X %02X %02X", e.status, e.data1, e.data2).toStdString());
    }
    return texts;
}

} // namespace

TEST_F(MainControlsTest, UndoAndRedoSendWhatTheControlsSendAndTheMarkFollows) {
    const UndoSendCase cases[] = {
        {"a knob",
         [this] { Click(Control(ControlId::LPFCutOff), Qt::Key_Down); },
         {"B2 04 7F"},
         {"B2 04 7E"}},
        {"a global on its control channel",
         [this] { Click(Control(ControlId::RoomSide), Qt::Key_Right); },
         {"B3 00 0B"},
         {"B3 00 0C"}},
        {"the sample rate, which has no controller",
         [this] { Doc().Set(KeyOf(&CControllerDoc::Frequence), 2, ChangeOrigin::Gesture); },
         {},
         {}},
        {"a tried preset: no Program Change again",
         [this] {
             const CUndoHistory::NamedStep step(window->UndoHistory(),
                                                QStringLiteral("Try Preset"));
             const CControllerDoc::ChangeScope load(Doc(), ChangeOrigin::Load);
             Doc().InputLevel[4] = 20;
             Doc().HostInPBSelect[4] = 3;
         },
         {"B4 07 64"},
         {"B4 07 14"}},
    };
    app->MarkSaved(); // with the output chosen
    for (const UndoSendCase& test : cases) {
        SCOPED_TRACE(test.name);
        test.act();
        QCoreApplication::processEvents();
        ASSERT_TRUE(window->isWindowModified());
        RestLink();
        midi.ClearRecords();
        QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Texts(Sent()), test.undone);
        QCoreApplication::processEvents(); // the mark follows once the change settled
        EXPECT_FALSE(window->isWindowModified()) << "back where it was saved";
        EXPECT_EQ(Control(ControlId::LPFCutOff)->value(), 127);
        midi.ClearRecords();
        QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(Texts(Sent()), test.redone);
        QCoreApplication::processEvents();
        EXPECT_TRUE(window->isWindowModified());
        midi.ClearRecords();
        QTest::keyClick(window.get(), Qt::Key_Y, Qt::ControlModifier);
        EXPECT_TRUE(Sent().empty()) << "nothing left to redo";
        window->ExecuteCommand(CommandId::Undo);
        QCoreApplication::processEvents();
    }
}

TEST_F(MainControlsTest, TheHistoryHoldsThousandsOfStepsAndAFileOpenedStartsItAnew) {
    CUndoHistory& history = window->UndoHistory();
    for (int i = 0; i < 1500; ++i) {
        Doc().Set(KeyOf(&CControllerDoc::InputLevel, i % 8), i % 128, ChangeOrigin::Gesture);
        history.Settle();
    }
    EXPECT_EQ(history.Stack().count(), 1500);
    Doc().SetName("/tmp/saved-as.ocont2");
    EXPECT_EQ(history.Stack().count(), 1500) << "a rename alone, as Save As, keeps the history";
    {
        const CControllerDoc::ChangeScope load(Doc(), ChangeOrigin::Load);
        Doc().InputLevel[0] = 1;
    }
    EXPECT_EQ(history.Stack().count(), 0);
}

// By keyboard alone: Tab reaches the source pad after the Patchbay's Send, an arrow sends the
// new position as a drag does and is one undo step, and every control has a name to be read.
TEST_F(MainControlsTest, TheKeyboardReachesThePadAndEveryControlHasAName) {
    window->activateWindow();
    Find<QAbstractButton>(ControlId::SendPatchbay)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), window->SourcePad());
    const int x = Doc().XPosition[kChannel];
    QTest::keyClick(window->SourcePad(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(window->SourcePad(), Qt::Key_Up);
    EXPECT_EQ(Doc().XPosition[kChannel], x + 8);
    std::array<int, 3> wire{-1, -1, -1}; // the last X, Y, Z sent
    for (const PortEvent& e : Sent()) {
        if (e.status == 0xB0 + kChannel && e.data1 >= 20 && e.data1 <= 22) {
            wire[e.data1 - 20] = e.data2;
        }
    }
    EXPECT_EQ(wire, (std::array<int, 3>{x + 8, 65, -1}));
    EXPECT_EQ(window->UndoHistory().Stack().count(), 2);
    for (const MainControl& row : kMainControls) {
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(Control(row.id));
        ASSERT_NE(read, nullptr);
        EXPECT_FALSE(read->text(QAccessible::Name).isEmpty()) << row.objectName;
        EXPECT_FALSE(read->text(QAccessible::Value).isEmpty()) << row.objectName;
    }
    QAccessibleInterface* lpf =
        QAccessible::queryAccessibleInterface(Control(ControlId::LPFCutOff));
    EXPECT_EQ(lpf->text(QAccessible::Name), "LPF Cutoff");
    EXPECT_EQ(lpf->text(QAccessible::Value), "18389.491 Hz") << "the value with its unit";
    // The title line is read as it shows: the document, and whether it is saved.
    QAccessibleInterface* title = QAccessible::queryAccessibleInterface(Label(ControlId::Title));
    EXPECT_EQ(title->text(QAccessible::Name), "Document: New Document, unsaved changes");
    Doc().SetName("show.ocont2");
    app->MarkSaved();
    EXPECT_EQ(title->text(QAccessible::Name), "Document: show.ocont2");
}
