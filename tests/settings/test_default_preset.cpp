// The Default Preset window: trying a setup (file, refresh, Program Change, the row
// remembered), choosing the start-up setup, recording and saving the custom setup, and
// the window's life in its slot.
#include "SettingsWindowFixture.h"

#include "controls/CSkinButton.h"
#include "model/ControllerFile.h"
#include "settings/CDefaultPresetDlg.h"
#include "settings/SpatOutsWindowView.h"

#include <QDialog>
#include <QDir>

namespace {

using Message = MemoryMidiBackend::Message;

Message SysEx(std::initializer_list<std::uint8_t> command) {
    Message message = {0xF0, 0x00, 0x20, 0x5E};
    message.insert(message.end(), command);
    message.push_back(0xF7);
    return message;
}

// A speaker position window as far as the Default Preset window sees it.
class CountingSpeakerWindow : public QDialog, public SpatOutsWindowView {
public:
    using QDialog::QDialog;
    void ShowCoordinates(int, int, int, int) override {}
    void MoveSpeakerX(int, int) override {}
    void MoveSpeakerY(int, int) override {}
    void ReinitialiseSpeakerPad() override { ++reloads; }
    int reloads = 0;
};

class DefaultPresetTest : public SettingsWindowTest {
protected:
    CDefaultPresetDlg* OpenPresets() {
        return Open<CDefaultPresetDlg>(SettingsWindow::DefaultPreset, CommandId::DefaultPreset);
    }
    CSkinButton* Radio(CDefaultPresetDlg* presets, int row) {
        return Child<CSkinButton>(presets, CDefaultPresetDlg::kRowTable[row - 1].radioId);
    }
    CSkinButton* Box(CDefaultPresetDlg* presets, int row) {
        return Child<CSkinButton>(presets, CDefaultPresetDlg::kRowTable[row - 1].checkBoxId);
    }
    CSkinButton* Button(CDefaultPresetDlg* presets, int id) {
        return Child<CSkinButton>(presets, id);
    }
    // Rows whose radio button / check box is checked.
    std::vector<int> Checked(CDefaultPresetDlg* presets, bool boxes) {
        std::vector<int> rows;
        for (int row = 1; row <= CDefaultPresetDlg::kRows; ++row) {
            if ((boxes ? Box(presets, row) : Radio(presets, row))->isChecked()) {
                rows.push_back(row);
            }
        }
        return rows;
    }
};

} // namespace

TEST_F(DefaultPresetTest, OpensWithTheDocumentsChoicesChecked) {
    struct Case {
        int tried, startUp;
        std::vector<int> radios, boxes;
    };
    const std::vector<Case> cases = {
        {0, 0, {}, {}}, {3, 9, {3}, {9}}, {10, -1, {}, {}}, {9, 1, {9}, {1}}};
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    for (const Case& c : cases) {
        Doc().DefaultPreset = c.tried;
        Doc().DefaultPresetAvvio = c.startUp;
        CDefaultPresetDlg* presets = OpenPresets();
        ASSERT_NE(presets, nullptr);
        EXPECT_EQ(Checked(presets, false), c.radios) << "DefaultPreset " << c.tried;
        EXPECT_EQ(Checked(presets, true), c.boxes) << "DefaultPresetAvvio " << c.startUp;
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
    CDefaultPresetDlg* presets = OpenPresets();
    ASSERT_NE(presets, nullptr);
    Box(presets, 2)->click();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        midi.ClearRecords();
        Radio(presets, c.row)->click();

        EXPECT_TRUE(QString::fromStdString(Doc().DocumentName).endsWith(c.file));
        EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(Doc().DocumentName)));
        EXPECT_EQ(Doc().outMIDIPort, 1) << "the file's output port is not taken";
        EXPECT_EQ(Doc().NMatrixOutput, c.speakers);
        EXPECT_EQ(Control(ControlId::NMatrixOutput)->value(), c.speakers)
            << "the main window shows the loaded setup";
        EXPECT_EQ(Wire(), (std::vector<Message>{{0xC0, c.program}}));
        EXPECT_EQ(Doc().DefaultPreset, c.row);
        EXPECT_EQ(Doc().DefaultPresetAvvio, 0) << "the file's start-up choice is taken";
        EXPECT_EQ(Checked(presets, false), std::vector<int>{c.row});
        EXPECT_EQ(Checked(presets, true), std::vector<int>{2}) << "Try leaves the Set boxes";
    }

    Doc().NMatrixOutput = 3;
    midi.ClearRecords();
    Radio(presets, 9)->click();
    EXPECT_EQ(Doc().NMatrixOutput, 8) << "the tried row again reads its file again";
    EXPECT_EQ(Wire().size(), 1u);
}

TEST_F(DefaultPresetTest, TryWithoutAFileOrAPortStillRefreshesAndRecordsTheRow) {
    ASSERT_NO_FATAL_FAILURE(StartProgram(false));
    ASSERT_TRUE(QDir(workingDir.path()).mkdir(QStringLiteral("Presets"))); // empty: no files
    CDefaultPresetDlg* presets = OpenPresets();
    Doc().InputLevel[0] = 12;
    presets->Try(4);
    EXPECT_EQ(Doc().DocumentName, CControllerDoc::kNewDocument);
    EXPECT_EQ(Doc().InputLevel[0], 12);
    EXPECT_EQ(Control(ControlId::InputLevel)->value(), 12);
    EXPECT_EQ(Doc().DefaultPreset, 4);
    EXPECT_TRUE(midi.PutEvents().empty());
}

TEST_F(DefaultPresetTest, TryReloadsAnOpenSpeakerWindowsPad) {
    QPointer<CountingSpeakerWindow> speakers;
    midi.AddOutputDevice("Orbis processor");
    app = std::make_unique<CControllerApp>();
    RegisterSettingsWindows(*app);
    app->SetSettingsWindowFactory(SettingsWindow::SpatOuts, [&speakers](CControllerDlg& parent) {
        speakers = new CountingSpeakerWindow(&parent);
        return speakers.data();
    });
    window = std::make_unique<CControllerDlg>(*app);
    app->AttachMainWindow(window.get());

    CDefaultPresetDlg* presets = OpenPresets();
    presets->Try(1);
    window->ExecuteCommand(CommandId::SpatOuts);
    ASSERT_NE(speakers, nullptr);
    presets->Try(2);
    EXPECT_EQ(speakers->reloads, 1);
}

TEST_F(DefaultPresetTest, SetMovesTheSingleCheckMarkAndSendsTheStartUpCommand) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    CDefaultPresetDlg* presets = OpenPresets();
    const std::vector<std::pair<int, std::uint8_t>> clicks = {{2, 0x01}, {9, 0x40}, {9, 0x40},
                                                              {8, 0x07}};
    std::vector<Message> expected;
    for (const auto& [row, number] : clicks) {
        Box(presets, row)->click();
        expected.push_back(SysEx({0x0C, number}));
        EXPECT_EQ(Checked(presets, true), std::vector<int>{row}) << "after Set " << row;
        EXPECT_EQ(Doc().DefaultPresetAvvio, row);
    }
    EXPECT_EQ(Wire(), expected) << "each command leaves the port as one message";
}

TEST_F(DefaultPresetTest, RecAndStopToggleWithOrWithoutAPort) {
    for (const bool withOutput : {false, true}) {
        SCOPED_TRACE(withOutput ? "with a port" : "without a port");
        ASSERT_NO_FATAL_FAILURE(StartProgram(withOutput));
        CDefaultPresetDlg* presets = OpenPresets();
        CSkinButton* record = Button(presets, CDefaultPresetDlg::kRecordButton);
        record->click();
        EXPECT_EQ(record->text(), QStringLiteral("Stop"));
        EXPECT_TRUE(presets->IsRecording());
        record->click();
        EXPECT_EQ(record->text(), QStringLiteral("Rec"));
        EXPECT_FALSE(presets->IsRecording());
        const std::vector<Message> expected =
            withOutput ? std::vector<Message>{SysEx({0x04}), SysEx({0x06})} : std::vector<Message>{};
        EXPECT_EQ(Wire(), expected);
        Stop();
    }
}

TEST_F(DefaultPresetTest, ReopeningWhileRecordingStartsAtRecAndSendsNoStop) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    CDefaultPresetDlg* presets = OpenPresets();
    Button(presets, CDefaultPresetDlg::kRecordButton)->click();
    QPointer<CDefaultPresetDlg> closing = presets;
    Button(presets, CDefaultPresetDlg::kCloseButton)->click();
    EXPECT_EQ(window->OpenedWindow(SettingsWindow::DefaultPreset), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(closing, nullptr) << "the closed window is gone";

    CDefaultPresetDlg* reopened = OpenPresets();
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(Button(reopened, CDefaultPresetDlg::kRecordButton)->text(), QStringLiteral("Rec"));
    EXPECT_FALSE(reopened->IsRecording());
    EXPECT_EQ(Wire(), std::vector<Message>{SysEx({0x04})});
}

TEST_F(DefaultPresetTest, SaveWritesTheCustomFileWhereItCanAndTryReadsItBack) {
    struct Case {
        const char* name;
        bool workingPresets; // the working folder has a Presets folder
        QString expectedFolder;
    };
    const std::vector<Case> cases = {
        {"working folder", true, QDir(workingDir.path()).filePath("Presets")},
        {"user data folder", false, QDir(dataHome.path()).filePath("orbis/Presets")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(workingDir.path()).removeRecursively();
        QDir().mkpath(workingDir.path());
        if (c.workingPresets) {
            QDir(workingDir.path()).mkdir(QStringLiteral("Presets"));
        }
        ASSERT_NO_FATAL_FAILURE(StartProgram(false));
        CDefaultPresetDlg* presets = OpenPresets();
        Doc().InputLevel[5] = 33;
        Doc().RoomSide = 40;
        Button(presets, CDefaultPresetDlg::kSaveButton)->click();

        const QString path = QDir(c.expectedFolder).filePath("CustomPresetOrbisController14.ocont2");
        EXPECT_EQ(QString::fromStdString(Doc().DocumentName), path);
        ASSERT_TRUE(QFileInfo::exists(path));
        EXPECT_TRUE(midi.PutEvents().empty());

        Doc().InputLevel[5] = 0;
        Doc().RoomSide = 11;
        presets->Try(CDefaultPresetDlg::kCustomRow);
        EXPECT_EQ(Doc().InputLevel[5], 33);
        EXPECT_EQ(Control(ControlId::RoomSide)->value(), 40);
        Stop();
    }
}

TEST_F(DefaultPresetTest, SaveSendsTheStoreCommandBeforeWriting) {
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    CDefaultPresetDlg* presets = OpenPresets();
    Button(presets, CDefaultPresetDlg::kSaveButton)->click();
    EXPECT_EQ(Wire(), std::vector<Message>{SysEx({0x08})});
    EXPECT_FALSE(presets->IsRecording()) << "Save leaves the recording state";
}
