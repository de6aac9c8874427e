// The controller's main window: one input channel's parameters at a time, the global
// settings, the source position pad and the choice of MIDI output device, with the menus
// that load, save and send setups, undo and redo, and open the settings windows. Every knob
// and slider stores its value in the document and posts it to the processor link, which sends
// it at once unless the wire is busy. The window follows the document's change notices,
// whatever changed it (another window, undo, a file, the network, the tracker, incoming MIDI);
// values put onto the controls that way send nothing of their own.
#pragma once

#include "controls/CPositionPadOwner.h"
#include "model/DocumentChange.h"
#include "ui/CInputDeviceMenu.h"
#include "ui/CSkinDialog.h"
#include "ui/CWindowCommands.h"
#include "ui/ControlIds.h"
#include "ui/MainWindowWidgets.h"
#include "ui/SettingsWindowRules.h"

#include <QHash>
#include <QPoint>

#include <array>
#include <functional>
#include <memory>

class CControllerApp;
class CControllerDoc;
class CControllerMidiIn;
class CDocumentCommands;
class CDocumentEvents;
class CMidiDeviceLists;
class CNetworkControl;
class CProcessorLink;
class CUndoHistory;
class QTimer;
class CPositionPad;
class CSkinLabel;
class CTrackerLink;
class QAction;

class CControllerDlg : public CSkinDialog, public CPositionPadOwner {
    Q_OBJECT

public:
    // Creates the window's controls and shows the program's document on them; the program's
    // run begins (its start document is read) if it has not yet. MIDI input on device 0.
    explicit CControllerDlg(CControllerApp& app, QWidget* parent = nullptr);
    ~CControllerDlg() override;

    // Every control, the output list and the title show the document.
    void RefreshFromDocument();
    // The title line and the window title show the document's name and the unsaved mark.
    void UpdateTitle();

    // Menu and key commands; false when the window does not handle the command.
    bool OnCommand(int command);
    // Runs a command; one the window does not know does nothing.
    void ExecuteCommand(int command);
    QAction* CommandAction(int command) const { return m_commands.value(command); }

    QWidget* OpenedWindow(SettingsWindow window) const;

    // A drag of the source pad's marker: x and y in pad pixels, y upward from the bottom
    // edge; the height stays.
    void ApplyPadPosition(double x, double y) override;
    // An arrow key on the pad: the shown channel's source one step on, as a drag sends it.
    void StepPadPosition(int dx, int dy) override;

    // Selection of the channel list: 0 is "Ch. 1".
    int ShownChannel() const;

    // Read access for the settings windows and the tracker link.
    int RoomSidePosition() const;
    CPositionPad* SourcePad() const { return m_ui.sourcePad; }
    QAbstractSlider* Control(int id) const;
    CInputDeviceMenu& InputDeviceMenu() { return m_inputDeviceMenu; }
    CControllerApp& Program() const { return m_app; }
    CProcessorLink& ProcessorLink() const;
    CUndoHistory& UndoHistory() const;
    CDocumentEvents& DocumentEvents() const;
    CNetworkControl& NetworkControl() const;

    // The modal windows of the Patchbay and About commands; without a runner Patchbay does
    // nothing and About shows a plain box.
    void SetModalWindowRunner(int command, CWindowCommands::ModalWindowRunner runner);
    void SetSettingsWindowFactory(SettingsWindow window,
                                  CWindowCommands::SettingsWindowFactory factory);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ConnectControls();
    void ConnectMenus();
    void ConnectHistory();
    // The Kestrel button switches the program's tracker link and shows its state.
    void ConnectTracker();
    // Changes to what the window shows are noted as they come and shown once the event
    // loop's pass ends, so a burst of positions repaints once.
    void FollowDocument();
    void NoteChanges(const DocumentChanges& changes);
    void ShowNotedChanges();
    // The shown channel's controls, the globals, the source pad and its labels.
    void ShowDocumentValues();
    // Tab follows the layout in reading order; every control has its accessible name.
    void SetUpKeyboardAndNames();

    CControllerDoc* Doc() const;
    std::size_t ControlIndex(int id) const;
    void MoveControl(std::size_t index, int value);
    // Moves one control and keeps the readout's value up to date when it names its parameter.
    void ShowControl(int id, int value);
    // Writes source label 1068, 1069 or 1070 for a 0-127 value in the current display mode.
    void ShowSourceLabel(int labelId, int value);
    // The source pad, the Z slider and the three source labels.
    void ShowSourcePosition();
    void OnControlScrolled(std::size_t index);
    ValueLabelContext LabelContext() const;
    std::string ReadoutText(const MainControl& control, int value) const;
    // The readout's text with its unit, for a screen reader.
    QString ValueWithUnit(const MainControl& control, int value) const;

    void OnSend(int buttonId);

    CControllerApp& m_app;
    MainWindowWidgets m_ui;
    CSkinLabel* m_title = nullptr;
    CSkinLabel* m_readoutCaption = nullptr;
    CSkinLabel* m_readoutValue = nullptr;
    QHash<int, QAction*> m_commands;
    CInputDeviceMenu m_inputDeviceMenu;
    CDocumentCommands* m_documentCommands = nullptr;
    CMidiDeviceLists* m_deviceLists = nullptr;
    std::unique_ptr<CWindowCommands> m_windowCommands;
    bool m_placed = false;
    bool m_valuesStale = false;
    bool m_positionStale = false; // only the shown channel's source position changed
    bool m_outputStale = false;
    // The values the source pad's marker stands for; it moves only when they change.
    QPoint m_padValues{-1, -1};
};
