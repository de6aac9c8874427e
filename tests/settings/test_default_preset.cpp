// The Default Preset window: trying a setup (file, refresh, Program Change, the row
// remembered), choosing the start-up setup, recording and saving the custom setup.
#include "model/ParameterTable.h"
#include "support/SettingsWindowFixture.h"
#include "support/WhenShown.h"

#include "controls/CSkinButton.h"
#include "controls/CSpeakerPad.h"
#include "settings/CDefaultPresetDlg.h"
#include "settings/CSpatOutsDlg.h"
#include "settings/PresetFiles.h"

#include <QDialog>
#include <QDir>
#include <QMessageBox>

namespace {

using Message = MemoryMidiBackend::Message;

Message SysEx(std::initializer_list<std::uint8_t> command) {
    Message message = {0xF0, 0x00, 0x20, 0x5E};
    message.insert(message.end(), command);
    message.push_back(0xF7);
    return message;
}

class DefaultPresetTest : public SettingsWindowTest {
protected:
    CDefaultPresetDlg* OpenPresets() {
        presets = Open<CDefaultPresetDlg>(SettingsWindow::DefaultPreset, CommandId::DefaultPreset);
        return presets;
    }
    CSkinButton* Button(int id) { return Child<CSkinButton>(presets, id); }
    CSkinButton* Radio(int row) { return Button(CDefaultPresetDlg::kRowTable[row - 1].radioId); }
    CSkinButton* Box(int row) { return Button(CDefaultPresetDlg::kRowTable[row - 1].checkBoxId); }
    std::vector<int> Checked(bool boxes) {
        std::vector<int> rows;
        for (int row = 1; row <= CDefaultPresetDlg::kRows; ++row) {
            if ((boxes ? Box(row) : Radio(row))->isChecked()) {
                rows.push_back(row);
            }
        }
        return rows;
    }

    CDefaultPresetDlg* presets = nullptr;
};

} // namespace

TEST_F(DefaultPresetTest, OpensWithTheDocumentsChoicesChecked) {
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    for (const auto& [tried, startUp] :
         std::vector<std::pair<int, int>>{{0, 0}, {3, 9}, {10, -1}}) {
        Doc().DefaultPreset = tried;
        Doc().DefaultPresetAvvio = startUp;
        ASSERT_NE(OpenPresets(), nullptr);
        const auto only = [](int row) {
            return row >= 1 && row <= 9 ? std::vector{row} : std::vector<int>{};
        };
        EXPECT_EQ(Checked(false), only(tried));
        EXPECT_EQ(Checked(true), only(startUp));
        delete presets;
    }
}

TEST_F(DefaultPresetTest, TryReadsTheRowsFileKeepingThePortAndSendsItsProgram) {
    struct Case {
        int row;
        const char* file;
        std::uint8_t program;
        int speakers;
    };
    const std::vector<Case> cases = {
        {1, "5.1_ITU_Ruruziv_AD_no_bounce.ocont2", 0x00, 5},
        {8, "Ambiphon_Ruruziv_AD.ocont2", 0x07, 8},
        {9, "CustomPresetOrbisController14.ocont2", 0x40, 8},
    };
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    OpenPresets();
    Box(2)->click();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        midi.ClearRecords();
        Doc().NMatrixOutput = 3;
        Radio(c.row)->click();
        Settle();
        EXPECT_TRUE(QString::fromStdString(Doc().Name()).endsWith(c.file));
        EXPECT_EQ(Doc().outMIDIPort, 1) << "the file's output port is not taken";
        EXPECT_EQ(Control(ControlId::NMatrixOutput)->value(), c.speakers) << "refreshed";
        EXPECT_EQ(Wire(), (std::vector<Message>{{0xC0, c.program}}));
        EXPECT_EQ(Doc().DefaultPreset, c.row);
        EXPECT_EQ(Doc().DefaultPresetAvvio, 0) << "the file's start-up choice is taken";
        EXPECT_EQ(Checked(false), std::vector<int>{c.row});
        EXPECT_EQ(Checked(true), std::vector<int>{2}) << "Try leaves the Set boxes";
        EXPECT_FALSE(window->isWindowModified()) << "nothing to save over the preset's file";
    }
}

TEST_F(DefaultPresetTest, TryReloadsAnOpenSpeakerWindowsPad) {
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    windows->SetSettingsWindowFactory(
        SettingsWindow::SpatOuts, [](CControllerApp& program, QWidget& parent) {
            return static_cast<QWidget*>(new CSpatOutsDlg(program, parent));
        });
    OpenPresets()->Try(1);
    window->ExecuteCommand(CommandId::SpatOuts);
    auto* speakers = qobject_cast<CSpatOutsDlg*>(window->OpenedWindow(SettingsWindow::SpatOuts));
    ASSERT_NE(speakers, nullptr);
    Doc().NMatrixOutput = 1; // what the pad shows until the next notice
    speakers->ReinitialiseSpeakerPad();
    presets->Try(2);
    Settle();
    EXPECT_EQ(speakers->Pad()->ShownCount(), std::clamp(Doc().NMatrixOutput, 0, 8));
    EXPECT_NE(Doc().NMatrixOutput, 1);
}

TEST_F(DefaultPresetTest, SetRecStopAndSaveSendTheirCommandsAndRecordingEndsWithTheWindow) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    OpenPresets();
    std::vector<Message> expected;
    for (const auto& [row, number] :
         std::vector<std::pair<int, std::uint8_t>>{{2, 0x01}, {9, 0x40}, {9, 0x40}, {8, 0x07}}) {
        Box(row)->click();
        expected.push_back(SysEx({0x0C, number}));
        EXPECT_EQ(Checked(true), std::vector<int>{row}) << "after Set " << row;
        EXPECT_EQ(Doc().DefaultPresetAvvio, row);
    }
    CSkinButton* record = Button(CDefaultPresetDlg::kRecordButton);
    record->click();
    EXPECT_EQ(record->text(), QStringLiteral("Stop"));
    record->click();
    EXPECT_EQ(record->text(), QStringLiteral("Rec"));
    Button(CDefaultPresetDlg::kSaveButton)->click();
    record->click();
    Button(CDefaultPresetDlg::kCloseButton)->click();
    EXPECT_EQ(window->OpenedWindow(SettingsWindow::DefaultPreset), nullptr);
    expected.insert(expected.end(), {SysEx({0x04}), SysEx({0x06}), SysEx({0x08}), SysEx({0x04})});
    EXPECT_EQ(Wire(), expected)
        << "each command one message; closing while recording sends no Stop";

    ASSERT_NE(OpenPresets(), nullptr);
    EXPECT_EQ(Button(CDefaultPresetDlg::kRecordButton)->text(), QStringLiteral("Rec"));
    EXPECT_FALSE(presets->IsRecording());
}

TEST_F(DefaultPresetTest, PresetsComeFromTheInstallAndTheCustomOneGoesToTheUsersData) {
    // Started from a folder with an empty Presets folder, as $HOME may be from the desktop.
    QDir().mkpath(workingDir.path() + "/Presets");
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    OpenPresets()->Try(1);
    EXPECT_EQ(QFileInfo(QString::fromStdString(Doc().Name())).absolutePath(),
              PresetFiles::FactoryFolder());
    EXPECT_FALSE(PresetFiles::FactoryFolder().startsWith(workingDir.path()));

    Doc().InputLevel[5] = 33;
    Button(CDefaultPresetDlg::kSaveButton)->click();
    const QString path =
        QDir(dataHome.path()).filePath("orbis/Presets/CustomPresetOrbisController14.ocont2");
    EXPECT_EQ(QString::fromStdString(Doc().Name()), path);
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_TRUE(QDir(workingDir.path() + "/Presets").isEmpty()) << "the current folder untouched";
    EXPECT_FALSE(window->isWindowModified()) << "just saved";

    Doc().InputLevel[5] = 0;
    presets->Try(CDefaultPresetDlg::kCustomRow);
    EXPECT_EQ(Doc().InputLevel[5], 33);
}

TEST_F(DefaultPresetTest, ASaveThatFailsIsToldAndLeavesTheChangesMarked) {
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    OpenPresets();
    Doc().Set(KeyOf(&CControllerDoc::InputLevel, 5), 33, ChangeOrigin::Gesture);
    // A folder where the file should be: no write can replace it.
    QDir().mkpath(dataHome.path() + "/orbis/Presets/CustomPresetOrbisController14.ocont2");
    QString told;
    WhenShown<QMessageBox>([&told](QMessageBox* box) {
        told = box->text();
        box->accept();
    });
    Button(CDefaultPresetDlg::kSaveButton)->click();
    EXPECT_TRUE(told.contains("could not be saved")) << told.toStdString();
    EXPECT_TRUE(window->isWindowModified());
}
