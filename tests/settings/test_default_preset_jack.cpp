// Try and Set of the Default Preset window on the private JACK server: the Program Change
// and the start-up command reach another client as the processor would receive them.
#include "controls/CSkinButton.h"
#include "program/CControllerApp.h"
#include "settings/CDefaultPresetDlg.h"
#include "settings/RegisterSettingsWindows.h"
#include "support/JackBackendTest.h"
#include "ui/CControllerDlg.h"
#include "ui/CProgramWindows.h"
#include "ui/ControlIds.h"

#include <QComboBox>
#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

class DefaultPresetOnJackTest : public JackBackendTest {};

CSkinButton* Child(QWidget* parent, int id) {
    const auto buttons = parent->findChildren<CSkinButton*>();
    return *std::find_if(buttons.begin(), buttons.end(), [id](CSkinButton* button) {
        return button->property("controlId").toInt() == id;
    });
}

} // namespace

TEST_F(DefaultPresetOnJackTest, TryAndSetArriveAsTheirBytes) {
    JackMidiCapture capture("orbis-preset-capture");
    ASSERT_TRUE(capture.IsOpen());
    const int device = OutputDevice("orbis-preset-capture");
    ASSERT_GE(device, 0);

    QFile::remove(CControllerApp::SettingsFileName());
    CControllerApp app(*backend);
    CProgramWindows windows(app);
    RegisterSettingsWindows(windows);
    CControllerDlg window(app);
    windows.Attach(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* outputs = window.findChild<QComboBox*>(QStringLiteral("OutputList"));
    outputs->setCurrentIndex(device + 1);
    emit outputs->activated(device + 1);

    window.ExecuteCommand(CommandId::DefaultPreset);
    QWidget* presets = window.OpenedWindow(SettingsWindow::DefaultPreset);
    ASSERT_NE(presets, nullptr);
    const auto& rows = CDefaultPresetDlg::kRowTable;
    Child(presets, rows[7].radioId)->click();
    Child(presets, rows[8].checkBoxId)->click();
    Child(presets, CDefaultPresetDlg::kRecordButton)->click();

    ASSERT_TRUE(capture.WaitFor(3, 5s));
    const std::vector<JackMidiCapture::Message> expected = {
        {0xC0, 0x07},
        {0xF0, 0x00, 0x20, 0x5E, 0x0C, 0x40, 0xF7},
        {0xF0, 0x00, 0x20, 0x5E, 0x04, 0xF7},
    };
    EXPECT_EQ(capture.Messages(), expected);
    windows.Attach(nullptr);
}
