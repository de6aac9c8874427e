// The Default Preset window: tries the processor's nine stored setups (loading the
// matching controller file and switching the processor's program), chooses the one the
// processor starts with, and records and saves the ninth, "Custom". Modeless; the main
// window keeps at most one.
#pragma once

#include "ui/CSkinDialog.h"

#include <QString>

#include <array>
#include <optional>
#include <string_view>

class CControllerApp;
class CControllerDoc;
class CSessionLink;
class CSkinButton;

class CDefaultPresetDlg : public CSkinDialog {
    Q_OBJECT

public:
    static constexpr int kRows = 9;
    static constexpr int kCustomRow = 9;
    static constexpr int kRecordButton = 1110;
    static constexpr int kSaveButton = 1111;
    static constexpr int kCloseButton = 1;

    struct Row {
        std::string_view label;
        int checkBoxId;
        int radioId;
        int labelId;
        std::string_view fileName;
        int program; // the Program Change and the start-up number of the row
    };
    static const std::array<Row, kRows> kRowTable;

    CDefaultPresetDlg(CControllerApp& program, QWidget& mainWindow);

    // Rows count from 1, as the document's DefaultPreset and DefaultPresetAvvio do.
    void Try(int row);
    // Who asked for a try. The window's makes the preset's file the document; one from the
    // network leaves the document where it is, with the preset's values as unsaved changes,
    // and writes no settings.
    enum class TryFrom { Window, Network };
    // What Try does to the program's document and the processor, for a preset file of row
    // `row` (1-9): the reason it could not be read, or nothing. Either way it is one undo
    // step. It needs no window, so /orbis/preset/try uses it too.
    static std::optional<QString> TryPreset(CControllerApp& program, int row, const QString& file,
                                            TryFrom from = TryFrom::Window);
    // /orbis/preset/try: no window opens, so a file that cannot be read is told on the
    // terminal.
    static void TryPresetFromNetwork(CControllerApp& program, int row);
    // The file Try reads for a row: the factory setups, or the Custom one.
    static QString FactoryPresetPath(int row);
    void Set(int row);
    void ToggleRecord();
    void SaveCustom();

    bool IsRecording() const { return m_recording; }

private:
    void CreateControls();
    void ShowDocumentChoices(bool tried = true, bool set = true);
    const CSessionLink* SessionNow() const;
    CControllerDoc* Doc() const;
    void SendCommand(std::initializer_list<unsigned char> bytes);

    CControllerApp& m_program;
    // Shown once the event loop's pass ends.
    bool m_triedStale = false;
    bool m_setStale = false;
    std::array<CSkinButton*, kRows> m_checkBoxes{};
    std::array<CSkinButton*, kRows> m_radios{};
    CSkinButton* m_recordButton = nullptr;
    bool m_recording = false;
};
