#include "ui/CControllerDlg.h"

#include "controls/AccessibleControls.h"
#include "controls/CPositionPad.h"
#include "controls/CRoundSliderCtrl.h"
#include "controls/CSkinButton.h"
#include "controls/CSkinLabel.h"
#include "controls/CSkinSlider.h"
#include "controls/ControlResources.h"
#include "controls/RepaintPacer.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "program/CControllerApp.h"
#include "program/CControllerMidiIn.h"
#include "program/CDocumentEvents.h"
#include "program/CLiveInput.h"
#include "program/CNetworkControl.h"
#include "program/CProcessorLink.h"
#include "program/CSessionLink.h"
#include "program/CUndoHistory.h"
#include "tracker/CTrackerLink.h"
#include "ui/CDocumentCommands.h"
#include "ui/CMidiDeviceLists.h"
#include "ui/CProcessorReturn.h"
#include "ui/CWindowCommands.h"
#include "ui/GestureEnds.h"
#include "ui/MainMenu.h"
#include "ui/NoticeWindow.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QUndoStack>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr int kMoveUpOnOpen = 136;
QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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
    m_readoutCaption = m_ui.labels.value(ControlId::ReadoutCaption);
    m_readoutValue = m_ui.labels.value(ControlId::ReadoutValue);
    ConnectMenus();
    ConnectControls();

    m_inputDeviceMenu.setParent(this);
    m_inputDeviceMenu.Attach(&m_app.MidiIn());
    m_inputDeviceMenu.Build(m_ui.menuBar, static_cast<int>(m_ui.menuBar->actions().size()) - 1,
                            QStringLiteral("&Input Device"), CInputDeviceMenu::kFirstCommandId);
    m_inputDeviceMenu.Select(0);

    ShowNotice(this, m_app.Begin());
    m_documentCommands = new CDocumentCommands(m_app, *this, m_title);
    FollowDocument();
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
    SetUpKeyboardAndNames();
    m_ui.sourcePad->SetFromValues(64, 64);
    m_ui.channelList->setCurrentIndex(0);
    RefreshFromDocument();
    ConnectTracker();
}

CControllerDlg::~CControllerDlg() {
    delete m_documentCommands; // it listens to the program, which outlives the window
    m_documentCommands = nullptr;
}

void CControllerDlg::ConnectTracker() {
    CTrackerLink& tracker = m_app.Tracker();
    CSkinButton* kestrel = m_ui.buttons.value(ControlId::KestrelToggle);
    connect(kestrel, &QAbstractButton::clicked, &tracker, &CTrackerLink::SetOn);
    // The tracker moves the shown channel's source; each of its positions goes out whole,
    // axes the processor already has included.
    connect(&tracker, &CTrackerLink::PositionArrived, this, [this](double x, double y, double z) {
        CLiveInput(*Doc(), m_app.Link())
            .MoveSource(ShownChannel(), {x, y, z}, CProcessorLink::Repeat::Send);
    });
    // As rich text the tip wraps, however long the library's reason is; it is there from
    // the start, not only after the first press.
    const auto tip = [](const QString& status) {
        return QStringLiteral("<qt>%1</qt>").arg(status.toHtmlEscaped());
    };
    kestrel->SetCheck(tracker.IsOn() ? 1 : 0);
    kestrel->setToolTip(tip(tracker.StatusText()));
    kestrel->setAccessibleDescription(tracker.StatusText());
    connect(&tracker, &CTrackerLink::StateChanged, kestrel,
            [kestrel, tip](bool on, const QString& status) {
                kestrel->SetCheck(on ? 1 : 0);
                kestrel->setToolTip(tip(status));
                kestrel->setAccessibleDescription(status);
            });
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
    QUndoStack& stack = m_app.History().Stack();
    struct Item {
        int command;
        const char* verb;
        const char* keys;
        void (QUndoStack::*textChanged)(const QString&);
        void (QUndoStack::*availableChanged)(bool);
    };
    const Item items[] = {
        {CommandId::Undo, "&Undo", "Ctrl+Z", &QUndoStack::undoTextChanged,
         &QUndoStack::canUndoChanged},
        {CommandId::Redo, "&Redo", "Ctrl+Shift+Z", &QUndoStack::redoTextChanged,
         &QUndoStack::canRedoChanged},
    };
    for (const Item& item : items) {
        QAction* action = CommandAction(item.command);
        const QString verb = QString::fromLatin1(item.verb);
        const QString keys = QString::fromLatin1(item.keys);
        connect(&stack, item.textChanged, action, [action, verb, keys](const QString& step) {
            action->setText(step.isEmpty() ? verb + u'\t' + keys
                                           : verb + u' ' + step + u'\t' + keys);
        });
        connect(&stack, item.availableChanged, action, &QAction::setEnabled);
    }
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

void CControllerDlg::FollowDocument() {
    const CDocumentEvents& events = DocumentEvents();
    connect(&events, &CDocumentEvents::changed, this, &CControllerDlg::NoteChanges);
    connect(&events, &CDocumentEvents::settled, this, &CControllerDlg::ShowNotedChanges);
    connect(&events, &CDocumentEvents::displayModeChanged, this,
            &CControllerDlg::RefreshFromDocument);
}

void CControllerDlg::NoteChanges(const DocumentChanges& changes) {
    static const ParameterKey output = KeyOf(&CControllerDoc::outMIDIPort);
    for (const ValueChange& change : changes.values) {
        if (change.key == output) {
            // The device lists keep the output list as the operator and the devices move it;
            // a file or an undo chooses for them.
            m_outputStale |=
                changes.origin == ChangeOrigin::Load || changes.origin == ChangeOrigin::Undo;
        } else if (change.key.IsGlobal() || change.key.channel == ShownChannel()) {
            // A stream of positions moves the pad, its labels and the Z slider; the other
            // twenty controls need not be told their values again.
            const bool position =
                !change.key.IsGlobal() && GroupOf(change.key) == ParameterGroup::SourcePosition;
            (position ? m_positionStale : m_valuesStale) = true;
        }
    }
}

void CControllerDlg::ShowNotedChanges() {
    if (m_outputStale) {
        m_ui.outputList->setCurrentIndex(Doc()->outMIDIPort);
    }
    if (m_valuesStale) {
        ShowDocumentValues();
    } else if (m_positionStale) {
        ShowSourcePosition();
    }
    m_outputStale = false;
    m_valuesStale = false;
    m_positionStale = false;
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
    return m_ui.channelList->currentIndex();
}

int CControllerDlg::RoomSidePosition() const {
    return Control(ControlId::RoomSide)->value();
}

ValueLabelContext CControllerDlg::LabelContext() const {
    const CControllerDoc* doc = Doc();
    // Without a document there is no display mode to ask: numbers only.
    if (doc == nullptr) {
        return {true, RoomSidePosition(), 0};
    }
    // The document's room side, not the slider's: a refresh may reach the slider later.
    return {doc->ShowRawValues, doc->RoomSide, doc->Frequence};
}

std::string CControllerDlg::ReadoutText(const MainControl& control, int value) const {
    return ValueLabel(control.Unit(), value, LabelContext());
}

void CControllerDlg::ShowSourceLabel(int labelId, int value) {
    CSkinLabel* label = m_ui.labels.value(labelId);
    if (label) {
        label->setText(
            QString::fromStdString(ValueLabel(ValueUnit::Metres, value, LabelContext())));
    }
}

void CControllerDlg::MoveControl(std::size_t index, int value) {
    MoveMainControl(m_ui.controls[index], kMainControls[index].kind, value);
}

void CControllerDlg::ShowControl(int id, int value) {
    const MainControl& row = *FindMainControl(id);
    if (m_readoutCaption->text() == Text(row.Caption())) {
        m_readoutValue->setText(QString::fromStdString(ReadoutText(row, value)));
    }
    MoveControl(ControlIndex(id), value);
}

void CControllerDlg::ShowSourcePosition() {
    const CControllerDoc& doc = *Doc();
    const int c = ShownChannel();
    const QPoint position(doc.XPosition[c], doc.YPosition[c]);
    // A drag places the marker itself; it moves only when the values it stands for change.
    if (position != m_padValues) {
        m_ui.sourcePad->SetFromValues(position.x(), position.y());
        m_padValues = position;
    }
    ShowControl(ControlId::ZPosition, doc.ZPosition[c]);
    ShowSourceLabel(ControlId::SourceXLabel, position.x());
    ShowSourceLabel(ControlId::SourceYLabel, position.y());
    ShowSourceLabel(ControlId::SourceZLabel, doc.ZPosition[c]);
}

void CControllerDlg::OnControlScrolled(std::size_t index) {
    CControllerDoc* doc = Doc();
    const MainControl& row = kMainControls[index];
    const int channel = ShownChannel();
    const int value = m_ui.controls[index]->value();
    doc->Set(row.Key(channel), value, ChangeOrigin::Gesture);
    if (row.id == ControlId::ZPosition) {
        ShowSourceLabel(ControlId::SourceZLabel, value);
    }
    m_readoutCaption->setText(Text(row.Caption()));
    m_readoutValue->setText(QString::fromStdString(ReadoutText(row, value)));
    m_app.Link().Post(row.MidiChannel(channel), row.Controller(), value);
}

void CControllerDlg::ApplyPadPosition(double x, double y) {
    CControllerDoc* doc = Doc();
    const int c = ShownChannel();
    const int xValue = std::clamp(CPositionPad::ValueFromPixels(x), 0, 127);
    const int yValue = std::clamp(CPositionPad::ValueFromPixels(y), 0, 127);
    const int zValue = std::clamp(doc->ZPosition[c], 0, 127); // the slider may show it later
    ShowSourceLabel(ControlId::SourceXLabel, xValue);
    ShowSourceLabel(ControlId::SourceYLabel, yValue);
    ShowSourceLabel(ControlId::SourceZLabel, zValue);
    // A drag beyond the pad's edge stops at the edge's value; so does the marker.
    m_ui.sourcePad->SetFromValues(xValue, yValue);
    m_padValues = QPoint(xValue, yValue);
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
    m_padValues = QPoint(-1, -1); // another channel, or labels in another mode
    ShowDocumentValues();
    m_ui.outputList->setCurrentIndex(Doc()->outMIDIPort);
    UpdateTitle();
}

void CControllerDlg::ShowDocumentValues() {
    CControllerDoc& doc = *Doc();
    const int c = ShownChannel();
    for (const MainControl& row : kMainControls) {
        if (row.id != ControlId::ZPosition) {
            ShowControl(row.id, row.Value(doc, c));
        }
    }
    ShowSourcePosition();
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

QString CControllerDlg::ValueWithUnit(const MainControl& control, int value) const {
    const QString text = QString::fromStdString(ReadoutText(control, value));
    const std::string_view unit = UnitText(control.Unit());
    if (LabelContext().showRawValues || unit.empty()) {
        return text;
    }
    return text + u' ' + Text(unit);
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
    ShowSourcePosition();
}

void CControllerDlg::SetUpKeyboardAndNames() {
    // Left panel, middle panel, right panel; top to bottom, left to right within each.
    const int order[] = {
        ControlId::SendPatchbay,  ControlId::SourcePad,     ControlId::ZPosition,
        ControlId::KestrelToggle, ControlId::SendChannels,  ControlId::ChannelList,
        ControlId::InputLevel,    ControlId::BellFactor,    ControlId::Attenuation,
        ControlId::DopplerDepth,  ControlId::ITDDepth,      ControlId::FrontRear,
        ControlId::GainEnhance,   ControlId::LPFCutOff,     ControlId::HPFCutOff,
        ControlId::SubMixAInput,  ControlId::SubMixBInput,  ControlId::InsertAGain,
        ControlId::InsertBGain,   ControlId::SpatOutXPos,   ControlId::SpatOutYPos,
        ControlId::SpatOutZPos,   ControlId::SendGlobals,   ControlId::OutputList,
        ControlId::RoomSide,      ControlId::NMatrixOutput, ControlId::MasterOutgain,
        ControlId::MatrixSpeed,
    };
    QWidget* previous = nullptr;
    for (const int id : order) {
        QWidget* widget = nullptr;
        if (id == ControlId::SourcePad) {
            widget = m_ui.sourcePad;
        } else if (id == ControlId::ChannelList) {
            widget = m_ui.channelList;
        } else if (id == ControlId::OutputList) {
            widget = m_ui.outputList;
        } else if (CSkinButton* button = m_ui.buttons.value(id)) {
            widget = button;
        } else {
            widget = Control(id);
        }
        if (previous && widget) {
            setTabOrder(previous, widget);
        }
        previous = widget ? widget : previous;
    }
    // A screen reader says what each control sets and, as its value, the value with its
    // unit as the readout shows it.
    for (std::size_t i = 0; i < kMainControls.size(); ++i) {
        const MainControl& row = kMainControls[i];
        QAbstractSlider* control = m_ui.controls[i];
        control->setAccessibleName(Text(row.ShownName()));
        SetAccessibleValueText(control,
                               [this, &row](int value) { return ValueWithUnit(row, value); });
    }
    m_ui.channelList->setAccessibleName(QStringLiteral("Channel"));
    m_ui.outputList->setAccessibleName(QStringLiteral("Output Device"));
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
