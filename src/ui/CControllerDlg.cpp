#include "ui/CControllerDlg.h"

#include "controls/CPositionPad.h"
#include "controls/CRoundSliderCtrl.h"
#include "controls/CSkinButton.h"
#include "controls/CSkinSlider.h"
#include "controls/ControlResources.h"
#include "controls/RepaintPacer.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "program/CControllerApp.h"
#include "program/CControllerMidiIn.h"
#include "program/CCueEngine.h"
#include "program/CDocumentEvents.h"
#include "program/CProcessorLink.h"
#include "program/CSessionLink.h"
#include "program/CUndoHistory.h"
#include "ui/CDocumentCommands.h"
#include "ui/CMidiDeviceLists.h"
#include "ui/CProcessorReturn.h"
#include "ui/CWindowCommands.h"
#include "ui/GestureEnds.h"
#include "ui/MainMenu.h"
#include "ui/MainWindowValues.h"
#include "ui/MainWindowWiring.h"
#include "ui/NoticeWindow.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QUndoStack>

#include <algorithm>
#include <string>

namespace {

constexpr int kMoveUpOnOpen = 136;

} // namespace

CControllerDlg::CControllerDlg(CControllerApp& app, QWidget* parent)
    : CSkinDialog(parent), m_app(app),
      m_windowCommands(std::make_unique<CWindowCommands>(app, *this)) {
    TagWidget(this, 102, "CControllerDlg");
    setWindowTitle(QStringLiteral("ORBIS CONTROLLER[*]"));
    InitControlResources();
    InstallFontSubstitutes();
    setWindowIcon(ApplicationIcon());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    DialogUnits::ApplyDialogFont(this);

    m_ui = BuildMainWindowWidgets(*this);
    m_title = m_ui.labels.value(ControlId::Title);
    ConnectMenus();
    ConnectControls();

    m_inputDeviceMenu.setParent(this);
    m_inputDeviceMenu.Attach(&m_app.MidiIn());
    m_inputDeviceMenu.Build(m_ui.menuBar, static_cast<int>(m_ui.menuBar->actions().size()) - 1,
                            QStringLiteral("&Input Device"), CInputDeviceMenu::kFirstCommandId);
    m_inputDeviceMenu.Select(0);

    ShowNotice(this, m_app.Begin());
    m_documentCommands = new CDocumentCommands(m_app, *this, m_title);
    m_values = new MainWindowValues(m_app.Doc(), m_app.Events(), m_ui, this);
    connect(&m_app.Events(), &CDocumentEvents::displayModeChanged, this,
            &CControllerDlg::RefreshFromDocument);
    // Live positions change the pad and its labels hundreds of times a second; the screen
    // shows sixty.
    new RepaintPacer(*this);

    m_deviceLists = new CMidiDeviceLists(*Doc(), m_app.Link(), m_ui.outputList, m_ui.inputList,
                                         m_inputDeviceMenu, this);
    auto* processorReturn =
        new CProcessorReturn(m_app.Link(), CommandAction(CommandId::SendSetupOnReturn), this);
    connect(m_deviceLists, &CMidiDeviceLists::processorReturned, processorReturn,
            &CProcessorReturn::OnProcessorReturned);
    ConnectHistory();
    SetUpKeyboardAndNames(*this, m_ui, [this](const MainControl& control, int value) {
        return m_values->ValueWithUnit(control, value);
    });
    m_ui.sourcePad->SetFromValues(64, 64);
    m_ui.channelList->setCurrentIndex(0);
    RefreshFromDocument();
    ConnectKestrelButton(*m_ui.buttons.value(ControlId::KestrelToggle), m_app.Tracker());
}

CControllerDlg::~CControllerDlg() {
    delete m_documentCommands; // it listens to the program, which outlives the window
    m_documentCommands = nullptr;
}

CControllerDoc* CControllerDlg::Doc() const {
    return &m_app.Doc();
}

void CControllerDlg::ConnectMenus() {
    m_commands = BuildMainMenu(m_ui.menuBar);
    for (auto it = m_commands.cbegin(); it != m_commands.cend(); ++it) {
        const int command = it.key();
        connect(it.value(), &QAction::triggered, this,
                [this, command] { ExecuteCommand(command); });
    }
}

void CControllerDlg::ConnectHistory() {
    FollowUndoStack(m_app.History().Stack(), CommandAction(CommandId::Undo),
                    CommandAction(CommandId::Redo));
    // A drag is one step from the control's press to its release; connected after the
    // controls' own handlers, so a change made on an end code is part of its gesture.
    CUndoHistory* history = &m_app.History();
    for (QAbstractSlider* control : m_ui.controls) {
        if (auto* knob = qobject_cast<CRoundSliderCtrl*>(control)) {
            FollowGestures(knob, *history);
        } else if (auto* slider = qobject_cast<CSkinSlider*>(control)) {
            FollowGestures(slider, *history);
        }
    }
    connect(m_ui.sourcePad, &CPadBase::dragStarted, history, &CUndoHistory::BeginGesture);
    connect(m_ui.sourcePad, &CPadBase::dragEnded, history, &CUndoHistory::EndGesture);
}

void CControllerDlg::ConnectControls() {
    for (auto it = m_ui.buttons.cbegin(); it != m_ui.buttons.cend(); ++it) {
        if (it.value()->Kind() == SkinButtonKind::PushButton) {
            const int id = it.key();
            connect(it.value(), &QAbstractButton::clicked, this, [this, id] { OnSend(id); });
        }
    }
    connect(m_ui.channelList, &QComboBox::activated, this, [this] { RefreshFromDocument(); });
    m_ui.sourcePad->SetOwner(this);
    for (std::size_t i = 0; i < kMainControls.size(); ++i) {
        if (auto* knob = qobject_cast<CRoundSliderCtrl*>(m_ui.controls[i])) {
            connect(knob, &CRoundSliderCtrl::scrolled, this, [this, i] { OnControlScrolled(i); });
        } else if (auto* slider = qobject_cast<CSkinSlider*>(m_ui.controls[i])) {
            connect(slider, &CSkinSlider::scrolled, this, [this, i] { OnControlScrolled(i); });
        }
    }
}

std::size_t CControllerDlg::ControlIndex(int id) const {
    return static_cast<std::size_t>(FindMainControl(id) - kMainControls.data());
}

QAbstractSlider* CControllerDlg::Control(int id) const {
    return FindMainControl(id) ? m_ui.controls[ControlIndex(id)] : nullptr;
}

int CControllerDlg::ShownChannel() const {
    return m_values->ShownChannel();
}

int CControllerDlg::RoomSidePosition() const {
    return Control(ControlId::RoomSide)->value();
}

void CControllerDlg::OnControlScrolled(std::size_t index) {
    CControllerDoc* doc = Doc();
    const MainControl& row = kMainControls[index];
    const int channel = ShownChannel();
    const int value = m_ui.controls[index]->value();
    doc->Set(row.Key(channel), value, ChangeOrigin::Gesture);
    if (row.id == ControlId::ZPosition) {
        m_values->ShowSourceLabel(ControlId::SourceZLabel, value);
    }
    m_values->ShowReadout(row, value);
    m_app.Link().Post(row.MidiChannel(channel), row.Controller(), value);
}

void CControllerDlg::ApplyPadPosition(double x, double y) {
    CControllerDoc* doc = Doc();
    const int c = ShownChannel();
    const int xValue = std::clamp(CPositionPad::ValueFromPixels(x), 0, 127);
    const int yValue = std::clamp(CPositionPad::ValueFromPixels(y), 0, 127);
    const int zValue = std::clamp(doc->ZPosition[c], 0, 127); // the slider may show it later
    m_values->ShowSourceLabel(ControlId::SourceXLabel, xValue);
    m_values->ShowSourceLabel(ControlId::SourceYLabel, yValue);
    m_values->ShowSourceLabel(ControlId::SourceZLabel, zValue);
    // A drag beyond the pad's edge stops at the edge's value; so does the marker.
    m_ui.sourcePad->SetFromValues(xValue, yValue);
    m_values->NotePadValues(QPoint(xValue, yValue));
    const std::pair<ParameterKey, int> position[] = {
        {KeyOf(&CControllerDoc::XPosition, c), xValue},
        {KeyOf(&CControllerDoc::YPosition, c), yValue},
        {KeyOf(&CControllerDoc::ZPosition, c), zValue}};
    doc->Apply(position, ChangeOrigin::Gesture);
    // A drag leaves out what it already sent.
    for (const auto& [key, value] : position) {
        m_app.Link().Post(key, value, CProcessorLink::Repeat::Skip);
    }
}

void CControllerDlg::RefreshFromDocument() {
    m_app.SetTrackedChannel(ShownChannel()); // the tracker moves the channel shown
    m_values->Refresh();
    UpdateTitle();
}

void CControllerDlg::OnSend(int buttonId) {
    // A section that does not arrive is not reported: the window stays silent, as it does
    // for every send, and the MIDI log says why.
    if (buttonId == ControlId::SendPatchbay) {
        static_cast<void>(m_app.Link().SendSection(CProcessorLink::Section::Patchbay));
    } else if (buttonId == ControlId::SendChannels) {
        static_cast<void>(m_app.Link().SendSection(CProcessorLink::Section::Channels));
    } else if (buttonId == ControlId::SendGlobals) {
        static_cast<void>(m_app.Link().SendSection(CProcessorLink::Section::Globals));
    }
}

void CControllerDlg::ExecuteCommand(int command) {
    static_cast<void>(OnCommand(command));
}

void CControllerDlg::StepPadPosition(int dx, int dy) {
    CControllerDoc& doc = *Doc();
    const int c = ShownChannel();
    const int x = std::clamp(doc.XPosition[c] + dx, 0, 127);
    const int y = std::clamp(doc.YPosition[c] + dy, 0, 127);
    {
        // Each press is a step of its own, as each drag is.
        const CUndoHistory::NamedStep step(
            m_app.History(), CUndoHistory::GroupStepText(ParameterGroup::SourcePosition, c));
        const std::pair<ParameterKey, int> position[] = {{KeyOf(&CControllerDoc::XPosition, c), x},
                                                         {KeyOf(&CControllerDoc::YPosition, c), y}};
        doc.Apply(position, ChangeOrigin::Gesture);
        for (const auto& [key, value] : position) {
            m_app.Link().Post(key, value, CProcessorLink::Repeat::Skip);
        }
    }
    m_values->ShowSourcePosition();
}

bool CControllerDlg::OnCommand(int command) {
    if (command == CommandId::Exit && m_app.Session()) {
        m_app.RequestClose(); // ends without a question; unsaved changes go to the journal
        return true;
    }
    if (command == CommandId::ToggleRawValues) {
        m_app.ToggleRawValues();
        return true;
    }
    if (command == CommandId::Help) {
        return true; // no help of the program's own
    }
    if (command == CommandId::Close || command == CommandId::Exit) {
        close();
        return true;
    }
    if (command == CommandId::Undo || command == CommandId::Redo) {
        m_app.Cues().Stop(); // a fade in progress becomes its step, which is undone whole
        CUndoHistory& history = m_app.History();
        history.Settle(); // a press whose end was not seen yet is undone whole
        if (command == CommandId::Undo) {
            history.Stack().undo();
        } else {
            history.Stack().redo();
        }
        return true;
    }
    return m_documentCommands->OnCommand(command) || m_windowCommands->OnCommand(command);
}

QWidget* CControllerDlg::OpenedWindow(SettingsWindow window) const {
    return m_windowCommands->Windows().Opened(window);
}

void CControllerDlg::SetModalWindowRunner(int command, CWindowCommands::ModalWindowRunner runner) {
    m_windowCommands->SetModalWindowRunner(command, std::move(runner));
}

void CControllerDlg::SetSettingsWindowFactory(SettingsWindow window,
                                              CWindowCommands::SettingsWindowFactory factory) {
    m_windowCommands->SetSettingsWindowFactory(window, std::move(factory));
}

void CControllerDlg::keyPressEvent(QKeyEvent* event) {
    // Enter presses the push button that has the focus. Neither it nor Esc closes the
    // window: a stray key would end the program in the middle of a show.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* button = qobject_cast<CSkinButton*>(focusWidget());
        if (button && button->Kind() == SkinButtonKind::PushButton) {
            button->click();
        }
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        return;
    }
    CSkinDialog::keyPressEvent(event);
}

CDocumentEvents& CControllerDlg::DocumentEvents() const {
    return m_app.Events();
}

CProcessorLink& CControllerDlg::ProcessorLink() const {
    return m_app.Link();
}

CUndoHistory& CControllerDlg::UndoHistory() const {
    return m_app.History();
}

CNetworkControl& CControllerDlg::NetworkControl() const {
    return m_app.Network();
}

void CControllerDlg::closeEvent(QCloseEvent* event) {
    if (CSessionLink* session = m_app.Session(); session && !m_app.CloseRequested()) {
        // The session owns the program: closing only hides it, as the manager expects.
        event->ignore();
        session->HideWindows();
        return;
    }
    if (!m_documentCommands->MayClose()) {
        event->ignore();
        return;
    }
    CSkinDialog::closeEvent(event);
}

void CControllerDlg::UpdateTitle() {
    if (m_documentCommands) {
        m_documentCommands->UpdateTitle();
    }
}

void CControllerDlg::showEvent(QShowEvent* event) {
    CSkinDialog::showEvent(event);
    if (m_placed) {
        return;
    }
    m_placed = true;
    // The window opens centred and then 136 px higher, but never above the screen's top.
    QPoint place = pos() - QPoint(0, kMoveUpOnOpen);
    if (const QScreen* display = screen()) {
        place.setY(std::max(place.y(), display->availableGeometry().top()));
    }
    move(place);
}
