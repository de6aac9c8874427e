#include "settings/CDefaultPresetDlg.h"

#include "controls/CSkinButton.h"
#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "model/ParameterTable.h"
#include "program/CControllerApp.h"
#include "program/CDocumentEvents.h"
#include "program/CProcessorLink.h"
#include "program/CSessionLink.h"
#include "program/CUndoHistory.h"
#include "program/DocumentNotices.h"
#include "settings/PresetFiles.h"
#include "settings/SettingsWidgets.h"
#include "ui/FileCommands.h"
#include "ui/NoticeWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace SettingsWidgets;

const std::array<CDefaultPresetDlg::Row, CDefaultPresetDlg::kRows> CDefaultPresetDlg::kRowTable = {{
    // clang-format off
        {"5.1 ITU Ruruziv A/D",             1083, 1084, 1085, "5.1_ITU_Ruruziv_AD_no_bounce.ocont2",          0},
        {"5.1 ITU FireWire",                1086, 1087, 1088, "5.1_ITU_Firewire_no_bounce.ocont2",            1},
        {"5.1 Default Ruruziv A/D",         1089, 1090, 1091, "5.1_Default_Ruruziv_AD_no_bounce.ocont2",      2},
        {"5.1 Default FireWire",            1092, 1093, 1094, "5.1_Default_Firewire_no_bounce.ocont2",        3},
        {"5.1 ITU FireWire with bounce",    1095, 1096, 1097, "5.1_ITU_Firewire_with_bounce_to_disk.ocont2",  4},
        {"7.1 FireWire ITU",                1098, 1099, 1100, "7.1_ITU_Firewire_no_bounce.ocont2",            5},
        {"8 I/O FireWire NO DSP",           1101, 1102, 1103, "8IO_FireWire_no_DSP.ocont2",                   6},
        {"Ambiphon\u2122  Ruruziv A/D",     1104, 1105, 1106, "Ambiphon_Ruruziv_AD.ocont2",                   7},
        {"Custom",                          1107, 1108, 1109, "CustomPresetOrbisController14.ocont2",        64},
    // clang-format on
}};

namespace {

constexpr int kTemplateWidth = 222;
constexpr int kTemplateHeight = 218;
constexpr int kFirstRowTop = 30;
constexpr int kRowPitch = 17;
constexpr int kCheckColumn = 140;
constexpr int kRadioColumn = 181;

constexpr unsigned char kRecordStart = 0x04;
constexpr unsigned char kRecordStop = 0x06;
constexpr unsigned char kStoreCustom = 0x08;
constexpr unsigned char kStartUpPreset = 0x0C;

bool IsRow(int row) {
    return row >= 1 && row <= CDefaultPresetDlg::kRows;
}

} // namespace

CDefaultPresetDlg::CDefaultPresetDlg(CControllerApp& program, QWidget& mainWindow)
    : CSkinDialog(&mainWindow), m_program(program) {
    Tag(this, 141, "CDefaultPresetDlg");
    setWindowTitle(QStringLiteral("Default Preset"));
    setAttribute(Qt::WA_DeleteOnClose);
    SetUpTemplate(this, kTemplateWidth, kTemplateHeight);
    CreateControls();

    ShowDocumentChoices();
    const CDocumentEvents& events = m_program.Events();
    connect(&events, &CDocumentEvents::changed, this, [this](const DocumentChanges& changes) {
        const ParameterKey tried = KeyOf(&CControllerDoc::DefaultPreset);
        // The Set boxes show what the processor was told to start with; a file's choice
        // is taken into the document but not shown as set.
        const ParameterKey set = KeyOf(&CControllerDoc::DefaultPresetAvvio);
        const bool load = changes.origin == ChangeOrigin::Load;
        for (const ValueChange& change : changes.values) {
            m_triedStale |= change.key == tried;
            if (change.key == set) {
                m_setStale = !load; // a file's choice after a Set leaves the Set shown
            }
        }
    });
    connect(&events, &CDocumentEvents::settled, this, [this] {
        if (m_triedStale || m_setStale) {
            ShowDocumentChoices(std::exchange(m_triedStale, false),
                                std::exchange(m_setStale, false));
        }
    });
}

void CDefaultPresetDlg::CreateControls() {
    AddGroup(this, "", {7, 4, kTemplateWidth - 14, kFirstRowTop + kRows * kRowPitch - 2});
    AddLabel(this, -1, "SetHeading", "Set", {kCheckColumn - 4, 14, 20, 9});
    AddLabel(this, -1, "TryHeading", "Try Preset", {kRadioColumn - 13, 14, 40, 9});
    for (int i = 0; i < kRows; ++i) {
        const Row& row = kRowTable[i];
        const int top = kFirstRowTop + i * kRowPitch;
        const int rowNumber = i + 1;
        AddCaption(this, row.labelId, "PresetLabel" + std::to_string(rowNumber), row.label,
                   {14, top, kCheckColumn - 20, 11});

        auto* check = new CSkinButton(SkinButtonKind::CheckBox, this);
        Tag(check, row.checkBoxId, "SetPreset" + std::to_string(rowNumber));
        check->setGeometry(DialogUnits::ToPixels({kCheckColumn, top, 11, 11}));
        connect(check, &CSkinButton::clicked, this, [this, rowNumber] { Set(rowNumber); });
        connect(check, &CSkinButton::clicked, &m_program.History(),
                &CUndoHistory::EndGesture); // a click is a whole gesture
        m_checkBoxes[i] = check;

        auto* radio = new CSkinButton(SkinButtonKind::RadioButton, this);
        Tag(radio, row.radioId, "TryPreset" + std::to_string(rowNumber));
        radio->setGeometry(DialogUnits::ToPixels({kRadioColumn, top, 11, 11}));
        connect(radio, &CSkinButton::clicked, this, [this, rowNumber] { Try(rowNumber); });
        m_radios[i] = radio;

        if (i + 1 < kRows) {
            AddSeparator(this, {12, top + 13, kTemplateWidth - 24, 2});
        }
    }
    const int buttonTop = kTemplateHeight - 21;
    m_recordButton = AddPushButton(this, kRecordButton, "Record", "Rec", {12, buttonTop, 46, 15});
    connect(m_recordButton, &CSkinButton::clicked, this, &CDefaultPresetDlg::ToggleRecord);
    CSkinButton* save = AddPushButton(this, kSaveButton, "Save", "Save", {64, buttonTop, 46, 15});
    connect(save, &CSkinButton::clicked, this, &CDefaultPresetDlg::SaveCustom);
    CSkinButton* close = AddPushButton(this, kCloseButton, "Close", "Close",
                                       {kTemplateWidth - 58, buttonTop, 46, 15});
    connect(close, &CSkinButton::clicked, this, &QDialog::accept);
}

void CDefaultPresetDlg::ShowDocumentChoices(bool tried, bool set) {
    const CControllerDoc* doc = Doc();
    if (!doc) {
        return;
    }
    // Unchecked first, so that an undo which takes a choice back leaves none shown.
    const auto show = [](auto& buttons, int row) {
        for (CSkinButton* button : buttons) {
            button->SetCheck(0);
        }
        if (IsRow(row)) {
            buttons[static_cast<std::size_t>(row - 1)]->SetCheck(1);
        }
    };
    if (tried) {
        show(m_radios, doc->DefaultPreset);
    }
    if (set) {
        show(m_checkBoxes, doc->DefaultPresetAvvio);
    }
}

const CSessionLink* CDefaultPresetDlg::SessionNow() const {
    return m_program.Session();
}

CControllerDoc* CDefaultPresetDlg::Doc() const {
    return &m_program.Doc();
}

void CDefaultPresetDlg::Try(int row) {
    if (!IsRow(row) || !Doc()) {
        return;
    }
    m_radios[row - 1]->SetCheck(1); // the others of the group go out
    const QString file = FactoryPresetPath(row);
    if (const std::optional<QString> failure = TryPreset(m_program, row, file)) {
        ShowNotice(this, ImportFailureText(file, *failure));
    }
}

std::optional<QString> CDefaultPresetDlg::TryPreset(CControllerApp& program, int row,
                                                    const QString& file, TryFrom from) {
    CControllerDoc* doc = &program.Doc();
    if (!IsRow(row)) {
        return QString();
    }
    const std::string path = QFile::encodeName(file).toStdString();
    // In a session, or asked from the network, the document keeps its place and the preset's
    // values are unsaved changes: the file the document came from still holds the setup
    // before, "Last Document" still names it, and the journal follows the document.
    const CSessionLink* session = program.Session();
    const bool keepsPlace = session || from == TryFrom::Network;
    // Read whole first: a preset file that cannot be read leaves the document as it was.
    const FileRead read = ReadControllerFileText(path);
    {
        // One step: its undo restores the setup before, without sending the preset again.
        const CUndoHistory::NamedStep step(program.History(), QStringLiteral("Try Preset"));
        const CControllerDoc::ChangeScope load(*doc, ChangeOrigin::Load);
        if (read) {
            if (session) {
                doc->SetName(session->DocumentName());
            } else if (!keepsPlace) {
                doc->SetName(path);
            }
            ApplyControllerFileText(*doc, read.text, true);
        }
        doc->DefaultPreset = row;
    }
    if (read && !keepsPlace) {
        // The setup just tried is what the preset's file holds: nothing to save over it.
        program.MarkSaved();
    }
    // The window stays silent when the processor cannot be reached, as the main window
    // does; the MIDI log says why.
    static_cast<void>(program.Link().SendProgramChange(kRowTable[row - 1].program));
    return read ? std::nullopt : std::optional<QString>(QString::fromLocal8Bit(read.reason));
}

QString CDefaultPresetDlg::FactoryPresetPath(int row) {
    if (row == kCustomRow) {
        return PresetFiles::CustomReadPath();
    }
    return IsRow(row)
               ? QDir(PresetFiles::FactoryFolder()).filePath(Text(kRowTable[row - 1].fileName))
               : QString();
}

void CDefaultPresetDlg::TryPresetFromNetwork(CControllerApp& program, int row) {
    const QString file = FactoryPresetPath(row);
    if (const auto failure = TryPreset(program, row, file, TryFrom::Network);
        failure && !failure->isEmpty()) {
        std::fprintf(stderr, "Orbis: preset %d asked for over the network: %s: %s\n", row,
                     qPrintable(file), qPrintable(*failure));
    }
}

void CDefaultPresetDlg::Set(int row) {
    CControllerDoc* doc = Doc();
    if (!IsRow(row) || !doc) {
        return;
    }
    for (CSkinButton* box : m_checkBoxes) {
        box->SetCheck(0);
    }
    m_checkBoxes[row - 1]->SetCheck(1);
    doc->Set(KeyOf(&CControllerDoc::DefaultPresetAvvio), row, ChangeOrigin::Gesture);
    SendCommand({kStartUpPreset, static_cast<unsigned char>(kRowTable[row - 1].program)});
}

void CDefaultPresetDlg::ToggleRecord() {
    m_recording = !m_recording;
    m_recordButton->setText(m_recording ? QStringLiteral("Stop") : QStringLiteral("Rec"));
    SendCommand({m_recording ? kRecordStart : kRecordStop});
}

void CDefaultPresetDlg::SaveCustom() {
    CControllerDoc* doc = Doc();
    if (!doc) {
        return;
    }
    SendCommand({kStoreCustom});
    const QString path = PresetFiles::CustomWritePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    // A failure is told as Save As tells it; the name moves to the Custom file either way,
    // except in a session, whose document stays where the manager put it.
    const bool saved = SaveChosenFile(*doc, path, this);
    if (const CSessionLink* session = SessionNow()) {
        doc->SetName(session->DocumentName());
    } else if (saved) {
        m_program.MarkSaved();
    }
}

// F0 00 20 5E, the command's bytes, F7: the port layer passes them on as one message.
void CDefaultPresetDlg::SendCommand(std::initializer_list<unsigned char> bytes) {
    if (!Doc()) {
        return;
    }
    std::vector<unsigned char> message = {0xF0, 0x00, 0x20, 0x5E};
    message.insert(message.end(), bytes);
    message.push_back(0xF7);
    // Silent, as above.
    static_cast<void>(m_program.Link().SendSysExCommand(std::move(message)));
}
