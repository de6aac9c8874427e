// Start-up, the refresh from the document and incoming MIDI: values put onto the controls by
// the program never reach the processor.
#include "support/MainWindowFixture.h"

#include "controls/CPositionPad.h"
#include "model/ParameterTable.h"
#include "model/ValueText.h"

#include <QSettings>

namespace {

int ResetValue(const MainControl& row) {
    for (const ChannelParameter& parameter : kChannelParameters) {
        if (parameter.array == row.array) {
            return parameter.resetValue;
        }
    }
    for (const GlobalParameter& parameter : kGlobalParameters) {
        if (parameter.member == row.member) {
            return parameter.resetValue;
        }
    }
    return -1;
}

QPoint MarkerFor(const CPositionPad& pad, int x, int y) {
    const QSize marker = pad.MarkerSize();
    return {x * pad.width() / 127 - marker.width() / 2,
            pad.height() * (127 - y) / 127 - marker.height() / 2};
}

// A distinct value for every channel and parameter, so a mixed-up index shows.
int Pattern(int channel, std::size_t row) {
    return static_cast<int>((channel * 13 + row * 5 + 3) % 120);
}

} // namespace

TEST_F(MainWindowTest, FirstStartWithoutStoreOrDevicesShowsTheResetDocument) {
    Start();
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, "Norvell", "ORBIS");
    EXPECT_EQ(store.value("Last Document").toString(), "New Document") << "created on first run";

    EXPECT_EQ(LabelText(ControlId::Title), "New Document");
    QComboBox* outputs = List(ControlId::OutputList);
    ASSERT_EQ(outputs->count(), 2); // the prompt, and a note that cannot be chosen
    EXPECT_EQ(outputs->itemText(0), "Select Output Device");
    EXPECT_EQ(outputs->itemText(1), "No MIDI output devices");
    EXPECT_EQ(outputs->currentIndex(), 0);
    EXPECT_EQ(List(ControlId::ChannelList)->currentText(), "Ch. 1");
    EXPECT_FALSE(List(ControlId::InputList)->isVisible());

    for (const MainControl& row : kMainControls) {
        EXPECT_EQ(Control(row.id)->value(), ResetValue(row)) << row.objectName;
    }
    const CPositionPad& pad = *window->SourcePad();
    EXPECT_EQ(pad.MarkerTopLeft(), MarkerFor(pad, 64, 64));
    for (int id : {ControlId::SourceXLabel, ControlId::SourceYLabel, ControlId::SourceZLabel}) {
        EXPECT_EQ(LabelText(id), "0.025") << id;
    }
    EXPECT_TRUE(LabelText(ControlId::ReadoutCaption).isEmpty());
    EXPECT_TRUE(LabelText(ControlId::ReadoutValue).isEmpty());
    EXPECT_TRUE(Sent().empty());
}

TEST_F(MainWindowTest, ChoosingAChannelMovesItsControlsAndSendsNothing) {
    midi.AddOutputDevice("Processor");
    Start();
    ChooseOutput(1);
    for (int channel = 0; channel < CControllerDoc::kChannels; ++channel) {
        for (std::size_t row = 0; row < kMainControls.size(); ++row) {
            if (!kMainControls[row].IsGlobal()) {
                kMainControls[row].Value(Doc(), channel) = Pattern(channel, row);
            }
        }
        Doc().XPosition[channel] = 10 + channel;
        Doc().YPosition[channel] = 100 - channel;
    }

    ChooseChannel(4);
    for (std::size_t row = 0; row < kMainControls.size(); ++row) {
        const MainControl& control = kMainControls[row];
        const int expected = control.IsGlobal() ? Doc().*control.member : Pattern(4, row);
        EXPECT_EQ(Control(control.id)->value(),
                  std::clamp(expected, control.minimum, control.maximum))
            << control.objectName;
    }
    const CPositionPad& pad = *window->SourcePad();
    EXPECT_EQ(pad.MarkerTopLeft(), MarkerFor(pad, 14, 96));
    EXPECT_EQ(LabelText(ControlId::SourceXLabel), QString::fromStdString(FormatMetres(11, 14)));
    EXPECT_EQ(LabelText(ControlId::SourceYLabel), QString::fromStdString(FormatMetres(11, 96)));
    EXPECT_EQ(LabelText(ControlId::SourceZLabel),
              QString::fromStdString(FormatMetres(11, Doc().ZPosition[4])));
    EXPECT_TRUE(Sent().empty()) << "a refresh sends nothing";
}

TEST_F(MainWindowTest, RefreshKeepsTheReadoutCaptionAndUpdatesItsValue) {
    Start();
    QTest::keyClick(Control(ControlId::InputLevel), Qt::Key_Up);
    ASSERT_EQ(LabelText(ControlId::ReadoutCaption), "  SPATIALIZER INPUT LEVEL (db)");
    Doc().InputLevel[3] = 0;
    ChooseChannel(3);
    EXPECT_EQ(LabelText(ControlId::ReadoutCaption), "  SPATIALIZER INPUT LEVEL (db)");
    EXPECT_EQ(LabelText(ControlId::ReadoutValue), "-inf");
}

TEST_F(MainWindowTest, IncomingControlChangesMoveTheShownChannelOnlyAndSendNothing) {
    midi.AddOutputDevice("Processor");
    midi.AddInputDevice("Processor out");
    Start();
    ChooseOutput(1);
    ChooseChannel(2);
    QTest::keyClick(Control(ControlId::BellFactor), Qt::Key_Right);
    const QString readout = LabelText(ControlId::ReadoutValue);
    midi.ClearRecords();

    midi.Inject(0, {0, 0xB2, 7, 33});   // input level of the shown channel
    midi.Inject(0, {0, 0xB5, 7, 99});   // another channel: stored, not shown
    midi.Inject(0, {0, 0xB3, 0, 127});  // room side
    midi.Inject(0, {0, 0xB2, 20, 127}); // source X
    midi.Inject(0, {0, 0xB2, 22, 5});   // source Z
    midi.Inject(0, {0, 0xB2, 9, 100});  // bell factor, named by the readout
    QTest::qWait(20);

    EXPECT_EQ(Control(ControlId::InputLevel)->value(), 33);
    EXPECT_EQ(Doc().InputLevel[5], 99);
    EXPECT_EQ(Control(ControlId::RoomSide)->value(), 127);
    EXPECT_EQ(Control(ControlId::ZPosition)->value(), 5);
    EXPECT_EQ(Control(ControlId::BellFactor)->value(), 100);
    const CPositionPad& pad = *window->SourcePad();
    EXPECT_EQ(pad.MarkerTopLeft(), MarkerFor(pad, 127, Doc().YPosition[2]));
    EXPECT_NE(LabelText(ControlId::ReadoutValue), readout);
    EXPECT_EQ(LabelText(ControlId::ReadoutValue), "100") << "the readout follows its control";
    EXPECT_TRUE(Sent().empty()) << "no echo back to the processor";
}

TEST_F(MainWindowTest, RawDisplaySwitchesEveryLabelAndBack) {
    Start();
    QTest::keyClick(Control(ControlId::LPFCutOff), Qt::Key_Down);
    ASSERT_EQ(LabelText(ControlId::ReadoutValue), "18389.491");

    window->ExecuteCommand(CommandId::ToggleRawValues);
    EXPECT_TRUE(Doc().ShowRawValues);
    EXPECT_EQ(LabelText(ControlId::ReadoutValue), "126");
    for (int id : {ControlId::SourceXLabel, ControlId::SourceYLabel, ControlId::SourceZLabel}) {
        EXPECT_EQ(LabelText(id), "64") << id;
    }
    QTest::keyClick(Control(ControlId::Attenuation), Qt::Key_Right);
    EXPECT_EQ(LabelText(ControlId::ReadoutValue), "65");

    window->ExecuteCommand(CommandId::ToggleRawValues);
    EXPECT_FALSE(Doc().ShowRawValues);
    EXPECT_EQ(LabelText(ControlId::ReadoutValue), QString::fromStdString(FormatDecibels(65, true)));
    EXPECT_EQ(LabelText(ControlId::SourceXLabel), "0.025");
}
