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
class MainWindowValues;
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
    // Undo and Redo follow the history; the controls' and the pad's gestures are its steps.
    void ConnectHistory();

    CControllerDoc* Doc() const;
    std::size_t ControlIndex(int id) const;
    void OnControlScrolled(std::size_t index);

    void OnSend(int buttonId);

    CControllerApp& m_app;
    MainWindowWidgets m_ui;
    CSkinLabel* m_title = nullptr;
    MainWindowValues* m_values = nullptr;
    QHash<int, QAction*> m_commands;
    CInputDeviceMenu m_inputDeviceMenu;
    CDocumentCommands* m_documentCommands = nullptr;
    CMidiDeviceLists* m_deviceLists = nullptr;
    std::unique_ptr<CWindowCommands> m_windowCommands;
    bool m_placed = false;
};
