// The controller's main window: one input channel's parameters at a time, the global
// settings, the source position pad and the choice of MIDI output device, with the menus
// that load, save and send setups and open the settings windows. Every knob and slider
// stores its value in the document and sends it at once; values put onto the controls by
// the program itself (a refresh, a display setter, an incoming Control Change) send nothing.
#pragma once

#include "CSkinDialog.h"
#include "ControlIds.h"
#include "MainControlTable.h"
#include "SettingsWindowRules.h"
#include "controls/CPositionPadOwner.h"
#include "midi/CInputDeviceMenu.h"
#include "model/ControllerView.h"

#include <QHash>
#include <QPointer>

#include <array>
#include <functional>

class CControllerApp;
class CControllerDoc;
class CControllerMidiIn;
class CPositionPad;
class CSkinButton;
class CSkinLabel;
class CTrackerLink;
class QAbstractSlider;
class QAction;
class QComboBox;
class QMenuBar;

class CControllerDlg : public CSkinDialog, public ControllerView, public CPositionPadOwner {
    Q_OBJECT

public:
    // Creates the window's controls and initialises it: MIDI input on device 0, the
    // document read from the application's last document, every control set from it.
    explicit CControllerDlg(CControllerApp& app, QWidget* parent = nullptr);
    ~CControllerDlg() override;

    void RefreshFromDocument();

    // Menu and key commands; false when the window does not handle the command.
    bool OnCommand(int command);
    // Runs a command here, or in the application when this window does not handle it.
    void ExecuteCommand(int command);
    QAction* CommandAction(int command) const { return m_commands.value(command); }

    void SampleRateWindowClosed() { ClearSlot(SettingsWindow::SampleRate); }
    void DefaultPresetWindowClosed() { ClearSlot(SettingsWindow::DefaultPreset); }
    void StereoSourceWindowClosed() { ClearSlot(SettingsWindow::StereoSource); }
    void SpatOutsWindowClosed() { ClearSlot(SettingsWindow::SpatOuts); }
    void DiagramWindowClosed() { ClearSlot(SettingsWindow::Diagram); }
    QWidget* OpenedWindow(SettingsWindow window) const {
        return m_settingsWindows[static_cast<std::size_t>(window)];
    }

    // Display setters: move one control and keep the readout's value up to date when the
    // readout names its parameter. They change nothing in the document and send nothing.
    void ShowRoomSide(int v) { ShowControl(ControlId::RoomSide, v); }
    void ShowNMatrixOutput(int v) { ShowControl(ControlId::NMatrixOutput, v); }
    void ShowMatrixSpeed(int v) { ShowControl(ControlId::MatrixSpeed, v); }
    void ShowMasterOutgain(int v) { ShowControl(ControlId::MasterOutgain, v); }
    void ShowBellFactor(int v) { ShowControl(ControlId::BellFactor, v); }
    void ShowAttenuation(int v) { ShowControl(ControlId::Attenuation, v); }
    void ShowITDDepth(int v) { ShowControl(ControlId::ITDDepth, v); }
    void ShowDopplerDepth(int v) { ShowControl(ControlId::DopplerDepth, v); }
    void ShowGainEnhance(int v) { ShowControl(ControlId::GainEnhance, v); }
    void ShowFrontRear(int v) { ShowControl(ControlId::FrontRear, v); }
    void ShowInputLevel(int v) { ShowControl(ControlId::InputLevel, v); }
    void ShowHPFCutOff(int v) { ShowControl(ControlId::HPFCutOff, v); }
    void ShowLPFCutOff(int v) { ShowControl(ControlId::LPFCutOff, v); }
    void ShowSubMixAInput(int v) { ShowControl(ControlId::SubMixAInput, v); }
    void ShowSubMixBInput(int v) { ShowControl(ControlId::SubMixBInput, v); }
    void ShowInsertAGain(int v) { ShowControl(ControlId::InsertAGain, v); }
    void ShowInsertBGain(int v) { ShowControl(ControlId::InsertBGain, v); }
    void ShowZPosition(int v) { ShowControl(ControlId::ZPosition, v); }
    void ShowSpatOutXPos(int speaker, int v) { ShowSpeaker(ControlId::SpatOutXPos, speaker, v); }
    void ShowSpatOutYPos(int speaker, int v) { ShowSpeaker(ControlId::SpatOutYPos, speaker, v); }
    void ShowSpatOutZPos(int speaker, int v) { ShowSpeaker(ControlId::SpatOutZPos, speaker, v); }

    // A new source position from the pad (drag) or the tracker: x and y in pad pixels,
    // y upward from the bottom edge; z a 0-127 height or -1.0 to keep the Z slider's.
    void ApplyPadPosition(double x, double y, double z) override;

    // ControllerView: what the document asks of the window.
    int OutputListSelection() const override;
    int ShownChannel() const override;
    void MoveChannelControl(ChannelArray CControllerDoc::*parameter, int value) override;
    void MoveGlobalControl(int CControllerDoc::*parameter, int value) override;
    void MoveSourcePad(int x, int y) override;
    void MoveSourceZ(int value) override;

    // Read access for the settings windows and the tracker link.
    int RoomSidePosition() const;
    CPositionPad* SourcePad() const { return m_sourcePad; }
    QAbstractSlider* Control(int id) const;
    // Writes source label 1068, 1069 or 1070 for a 0-127 value in the current display mode.
    void ShowSourceLabel(int labelId, int value);
    CInputDeviceMenu& InputDeviceMenu() { return m_inputDeviceMenu; }

    // The modal windows of the Patchbay and About commands; without a runner Patchbay does
    // nothing and About shows a plain box.
    void SetModalWindowRunner(int command, std::function<void(CControllerDlg&)> runner);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void CreateMenus();
    void InitialiseControls();
    void FillDeviceLists();

    CControllerDoc* Doc() const;
    const MainControl& ControlRow(int id) const;
    std::size_t ControlIndex(int id) const;
    void MoveControl(std::size_t index, int value);
    void ShowControl(int id, int value);
    void ShowSpeaker(int id, int speaker, int value);
    void OnControlScrolled(std::size_t index);
    void AfterControlScrolled(int id, int value);
    ValueLabelContext LabelContext() const;
    std::string ReadoutText(const MainControl& control, int value) const;
    void SendToProcessor(int channel, std::initializer_list<std::pair<int, int>> changes);

    void OnOutputListActivated(int index);
    void OnSend(int buttonId);
    void AfterFileCommand();
    void OpenSettingsWindow(const SettingsWindowRule& rule);
    void ClearSlot(SettingsWindow window) {
        m_settingsWindows[static_cast<std::size_t>(window)] = nullptr;
    }
    void BringAllToFront();
    void ActivateMainWindow();

    CControllerApp& m_app;
    QMenuBar* m_menuBar = nullptr;
    QWidget* m_client = nullptr;
    QHash<int, QAction*> m_commands;
    CInputDeviceMenu m_inputDeviceMenu;
    CControllerMidiIn* m_midiIn = nullptr;

    std::array<QAbstractSlider*, kMainControls.size()> m_controls{};
    CPositionPad* m_sourcePad = nullptr;
    CSkinLabel* m_title = nullptr;
    CSkinLabel* m_readoutCaption = nullptr;
    CSkinLabel* m_readoutValue = nullptr;
    QHash<int, CSkinLabel*> m_labels;
    QHash<int, CSkinButton*> m_buttons;
    QComboBox* m_outputList = nullptr;
    QComboBox* m_inputList = nullptr;
    QComboBox* m_channelList = nullptr;

    std::array<QPointer<QWidget>, kSettingsWindowCount> m_settingsWindows;
    CTrackerLink* m_trackerLink = nullptr; // behind the "The Kestrel" toggle
    QHash<int, std::function<void(CControllerDlg&)>> m_modalRunners;
    bool m_placed = false;
};
