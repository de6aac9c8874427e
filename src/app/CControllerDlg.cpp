#include "app/CControllerDlg.h"

#include "app/CControllerApp.h"
#include "app/CControllerMidiIn.h"
#include "app/DocumentNotices.h"
#include "app/FileCommands.h"
#include "app/MainMenu.h"
#include "controls/CPositionPad.h"
#include "controls/CRoundSliderCtrl.h"
#include "controls/CSkinButton.h"
#include "controls/CSkinLabel.h"
#include "controls/CSkinSlider.h"
#include "controls/ControlResources.h"
#include "midi/qt/CMidiDeviceWatcher.h"
#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "settings/SpatOutsWindowView.h"
#include "tracker/CTrackerLink.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QTimer>

#include <cmath>
#include <optional>
#include <string>

namespace {

constexpr int kControlChange = 0xB0;
constexpr int kMoveUpOnOpen = 136;
QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A pad or tracker coordinate as a whole number, cut toward zero. Values far outside the
// pad (a tracker glitch, NaN) are held where the cut cannot overflow; the callers clamp.
int Truncate(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<int>(std::trunc(std::clamp(value, -1.0e6, 1.0e6)));
}

int PadValue(double pixels) {
    return Truncate((pixels + 8.0) * 127.0 * 0.0049504950495049506 - 1.0);
}

// The windows ask for the faces of their templates; where those are missing, faces of
// the same narrow build are preferred to the wide default so the captions fit. Only
// scalable outline faces: a Type 1 face (Nimbus Sans) costs the start-up its loading.
void InstallFontSubstitutes() {
    const QStringList narrowFaces = {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                     QStringLiteral("DejaVu Sans Condensed")};
    for (const QString& face : {QStringLiteral("Tahoma"), QStringLiteral("MS Sans Serif")}) {
        if (QFont::substitutes(face).isEmpty()) {
            QFont::insertSubstitutions(face, narrowFaces);
        }
    }
}

} // namespace

CControllerDlg::CControllerDlg(CControllerApp& app, QWidget* parent)
    : CSkinDialog(parent), m_app(app) {
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

    m_positionPacer = new QTimer(this);
    m_positionPacer->setSingleShot(true);
    connect(m_positionPacer, &QTimer::timeout, this, &CControllerDlg::SendPadPosition);

    m_midiIn = new CControllerMidiIn(m_app.Midi(), this);
    m_midiIn->Create(this);
    m_midiIn->SetDocumentSource([] { return GetControllerDoc(); });

    m_inputDeviceMenu.setParent(this);
    m_inputDeviceMenu.Attach(m_midiIn);
    m_inputDeviceMenu.Build(m_ui.menuBar, static_cast<int>(m_ui.menuBar->actions().size()) - 1,
                            QStringLiteral("&Input Device"), CInputDeviceMenu::kFirstCommandId);
    m_inputDeviceMenu.Select(0);

    if (!m_app.m_pDoc) {
        m_app.m_pDoc = std::make_unique<CControllerDoc>(m_app.Midi());
    }
    Doc()->SetView(this);
    // A start file named on the command line was read and checked once already.
    ReadStartDocument(*Doc(), m_app.m_strLastDocument, m_app.TakeStartFileText(), this);
    m_app.DocumentGuard().MarkSaved(*Doc());
    // Every window, the tracker and incoming MIDI change the document directly; whatever
    // changed it, the mark is right before the program waits again.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &CControllerDlg::UpdateTitle);

    FillDeviceLists();
    m_deviceWatcher = new CMidiDeviceWatcher(m_app.Midi(), this);
    connect(m_deviceWatcher, &CMidiDeviceWatcher::devicesChanged, this,
            &CControllerDlg::OnDevicesChanged);
    m_ui.sourcePad->SetFromValues(64, 64);
    m_ui.channelList->setCurrentIndex(0);
    RefreshFromDocument();

    m_trackerLink = new CTrackerLink(this);
    CSkinButton* kestrel = m_ui.buttons.value(ControlId::KestrelToggle);
    connect(kestrel, &QAbstractButton::clicked, m_trackerLink, &CTrackerLink::SetOn);
    connect(m_trackerLink, &CTrackerLink::PositionArrived, m_ui.sourcePad,
            &CPositionPad::ApplyTrackerPosition);
    connect(m_trackerLink, &CTrackerLink::StateChanged, kestrel,
            [kestrel](bool on, const QString& status) {
                kestrel->SetCheck(on ? 1 : 0);
                kestrel->setToolTip(status);
            });
}

CControllerDlg::~CControllerDlg() {
    // The tracker goes first, so no position arrives while the window comes apart.
    m_trackerLink->Shutdown();
    if (CControllerDoc* doc = Doc(); doc && doc->View() == this) {
        doc->SetView(nullptr);
    }
    if (m_midiIn) {
        m_midiIn->Close();
    }
}

CControllerDoc* CControllerDlg::Doc() const {
    return m_app.m_pDoc.get();
}

SpatOutsWindowView* CControllerDlg::SpeakerWindowView() const {
    return m_settingsWindows.OpenedAs<SpatOutsWindowView>(SettingsWindow::SpatOuts);
}

void CControllerDlg::ConnectMenus() {
    m_commands = BuildMainMenu(m_ui.menuBar);
    for (auto it = m_commands.cbegin(); it != m_commands.cend(); ++it) {
        const int command = it.key();
        connect(it.value(), &QAction::triggered, this,
                [this, command] { ExecuteCommand(command); });
    }
}

void CControllerDlg::ConnectControls() {
    for (auto it = m_ui.buttons.cbegin(); it != m_ui.buttons.cend(); ++it) {
        if (it.value()->Kind() == SkinButtonKind::PushButton) {
            const int id = it.key();
            connect(it.value(), &QAbstractButton::clicked, this, [this, id] { OnSend(id); });
        }
    }
    connect(m_ui.outputList, &QComboBox::activated, this, &CControllerDlg::OnOutputListActivated);
    connect(m_ui.channelList, &QComboBox::activated, this, [this] { RefreshFromDocument(); });
    m_ui.sourcePad->SetOwner(this);
    m_ui.sourcePad->installEventFilter(this);
    for (std::size_t i = 0; i < kMainControls.size(); ++i) {
        if (auto* knob = qobject_cast<CRoundSliderCtrl*>(m_ui.controls[i])) {
            connect(knob, &CRoundSliderCtrl::scrolled, this, [this, i] { OnControlScrolled(i); });
        } else if (auto* slider = qobject_cast<CSkinSlider*>(m_ui.controls[i])) {
            connect(slider, &CSkinSlider::scrolled, this, [this, i] { OnControlScrolled(i); });
        }
    }
}

void CControllerDlg::FillDeviceLists() {
    const CControllerDoc& doc = *Doc();
    FillOutputList(QString());
    m_ui.outputList->setCurrentIndex(doc.outMIDIPort);
    if (doc.outMIDIPort > doc.Midi().OutputCount()) {
        m_pendingOutput = doc.outMIDIPort;
    }

    m_ui.inputList->clear();
    const int inputs = doc.Midi().InputCount();
    for (int n = 0; n < inputs; ++n) {
        m_ui.inputList->addItem(QString::fromStdString(doc.InputDeviceName(n)));
    }
    m_ui.inputList->insertItem(0, QStringLiteral("Select Input Device"));
}

int CControllerDlg::FillOutputList(const QString& chosen) {
    const CControllerDoc& doc = *Doc();
    QComboBox* list = m_ui.outputList;
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItem(QStringLiteral("Select Output Device"));
    int index = 0;
    const int outputs = doc.Midi().OutputCount();
    for (int n = 0; n < outputs; ++n) {
        const QString name = QString::fromStdString(doc.OutputDeviceName(n));
        list->addItem(name, name);
        if (!chosen.isEmpty() && name == chosen) {
            index = n + 1;
        }
    }
    if (!chosen.isEmpty() && index == 0) {
        // Kept where the operator sees it until a device of that name returns.
        list->addItem(chosen + QStringLiteral(" (absent)"), chosen);
        index = list->count() - 1;
    }
    if (outputs == 0) {
        const std::string missing = doc.Midi().Missing();
        list->addItem(missing.empty() ? QStringLiteral("No MIDI output devices")
                                      : QString::fromStdString(missing));
        if (auto* model = qobject_cast<QStandardItemModel*>(list->model())) {
            model->item(list->count() - 1)->setEnabled(false);
        }
    }
    list->setCurrentIndex(index);
    return index;
}

void CControllerDlg::OnDevicesChanged() {
    CControllerDoc* doc = Doc();
    if (!doc) {
        return;
    }
    const int before = m_ui.outputList->currentIndex();
    const QString chosen = before > 0 ? m_ui.outputList->itemData(before).toString() : QString();
    if (chosen.isEmpty() && m_pendingOutput > 0) {
        // The stored device, listed late: selected as at start, and opened at the first send.
        if (m_pendingOutput <= doc->Midi().OutputCount()) {
            FillOutputList(QString::fromStdString(doc->OutputDeviceName(m_pendingOutput - 1)));
            doc->outMIDIPort = m_pendingOutput;
            m_pendingOutput = 0;
        }
        RefreshInputs();
        return;
    }
    const bool connected = doc->MidiOut.IsAlive() && doc->CurrentOutDevice == before - 1;
    const int index = FillOutputList(chosen);
    const bool present = index > 0 && index <= doc->Midi().OutputCount();
    if (!chosen.isEmpty()) {
        doc->outMIDIPort = index;
        if (present && connected) {
            doc->CurrentOutDevice = index - 1; // renumbered only: the connection stands
        } else {
            // Gone, or back: let go of the old port; a returned device is opened anew,
            // and nothing is sent until the operator sends.
            doc->MidiOut.Close();
            doc->CurrentOutDevice = present ? -2 : index - 1;
            if (present) {
                static_cast<void>(doc->EnsureOutputOpen(index));
            }
        }
    }
    RefreshInputs();
}

void CControllerDlg::RefreshInputs() {
    const CControllerDoc& doc = *Doc();
    m_ui.inputList->clear();
    for (int n = 0; n < doc.Midi().InputCount(); ++n) {
        m_ui.inputList->addItem(QString::fromStdString(doc.InputDeviceName(n)));
    }
    m_ui.inputList->insertItem(0, QStringLiteral("Select Input Device"));
    m_inputDeviceMenu.Refresh();
}

std::size_t CControllerDlg::ControlIndex(int id) const {
    return static_cast<std::size_t>(FindMainControl(id) - kMainControls.data());
}

QAbstractSlider* CControllerDlg::Control(int id) const {
    return FindMainControl(id) ? m_ui.controls[ControlIndex(id)] : nullptr;
}

int CControllerDlg::OutputListSelection() const {
    return m_ui.outputList->currentIndex();
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
    return {doc == nullptr || doc->ShowRawValues, RoomSidePosition(), doc ? doc->Frequence : 0};
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

void CControllerDlg::ShowSpeaker(int id, int speaker, int value) {
    if (speaker == ShownChannel()) {
        ShowControl(id, value);
    }
}

void CControllerDlg::MoveChannelControl(ChannelArray CControllerDoc::*parameter, int value) {
    for (std::size_t i = 0; i < kMainControls.size(); ++i) {
        if (kMainControls[i].array == parameter) {
            MoveControl(i, value);
        }
    }
}

void CControllerDlg::MoveGlobalControl(int CControllerDoc::*parameter, int value) {
    for (std::size_t i = 0; i < kMainControls.size(); ++i) {
        if (kMainControls[i].member == parameter) {
            MoveControl(i, value);
        }
    }
}

void CControllerDlg::MoveSourcePad(int x, int y) {
    m_ui.sourcePad->SetFromValues(x, y);
}

void CControllerDlg::MoveSourceZ(int value) {
    MoveControl(ControlIndex(ControlId::ZPosition), value);
}

void CControllerDlg::SendToProcessor(int channel,
                                     std::initializer_list<std::pair<int, int>> changes) {
    CControllerDoc* doc = Doc();
    // The window stays silent when the processor cannot be reached: the operator sees the
    // output list, and the MIDI log says why.
    if (!doc->EnsureOutputOpen(OutputListSelection())) {
        return;
    }
    for (const auto& [controller, value] : changes) {
        if (!doc->SendShort(kControlChange, channel, controller, value)) {
            return;
        }
    }
}

void CControllerDlg::OnControlScrolled(std::size_t index) {
    CControllerDoc* doc = Doc();
    if (!doc) {
        return;
    }
    const MainControl& row = kMainControls[index];
    const int channel = ShownChannel();
    const int value = m_ui.controls[index]->value();
    row.Value(*doc, channel) = value;
    AfterControlScrolled(row.id, value);
    m_readoutCaption->setText(Text(row.Caption()));
    m_readoutValue->setText(QString::fromStdString(ReadoutText(row, value)));
    SendToProcessor(row.MidiChannel(channel), {{row.Controller(), value}});
}

void CControllerDlg::AfterControlScrolled(int id, int value) {
    if (id == ControlId::ZPosition) {
        ShowSourceLabel(ControlId::SourceZLabel, value);
        return;
    }
    SpatOutsWindowView* speakers = SpeakerWindowView();
    if (!speakers) {
        return;
    }
    const CControllerDoc& doc = *Doc();
    const int c = ShownChannel();
    switch (id) {
    case ControlId::SpatOutXPos:
        speakers->MoveSpeakerX(c, value);
        break;
    case ControlId::SpatOutYPos:
        speakers->MoveSpeakerY(c, value);
        break;
    case ControlId::SpatOutZPos:
        break;
    case ControlId::RoomSide:
    case ControlId::NMatrixOutput:
        speakers->ReinitialiseSpeakerPad();
        return;
    default:
        return;
    }
    speakers->ShowCoordinates(c, doc.SpatOutXPos[c], doc.SpatOutYPos[c], doc.SpatOutZPos[c]);
}

void CControllerDlg::ApplyPadPosition(double x, double y, double z) {
    CControllerDoc* doc = Doc();
    if (!doc) {
        return;
    }
    const int c = ShownChannel();
    int xValue = PadValue(x);
    int yValue = PadValue(y);
    int zValue = 0;
    if (z == -1.0) {
        zValue = Control(ControlId::ZPosition)->value();
    } else {
        zValue = Truncate(z);
        MoveSourceZ(zValue);
    }
    xValue = std::clamp(xValue, 0, 127);
    yValue = std::clamp(yValue, 0, 127);
    zValue = std::clamp(zValue, 0, 127);
    ShowSourceLabel(ControlId::SourceXLabel, xValue);
    ShowSourceLabel(ControlId::SourceYLabel, yValue);
    ShowSourceLabel(ControlId::SourceZLabel, zValue);
    doc->XPosition[c] = xValue;
    doc->YPosition[c] = yValue;
    doc->ZPosition[c] = zValue;
    if (!m_ui.sourcePad->IsDragging()) {
        // A tracker position or a drop: all three go out, as they always did.
        m_positionPacer->stop();
        SendToProcessor(c, {{20, xValue}, {21, yValue}, {22, zValue}});
        return;
    }
    // A drag beyond the pad's edge stops at the edge's value; so does the marker.
    m_ui.sourcePad->SetFromValues(xValue, yValue);
    if (!m_padDragActive || m_dragChannel != c) {
        m_padDragActive = true;
        m_dragChannel = c;
        m_dragSent = {-1, -1, -1};
    }
    if (m_positionPacer->isActive()) {
        return; // the pacer sends the latest position when it is due
    }
    const qint64 since =
        m_sinceLastPosition.isValid() ? m_sinceLastPosition.elapsed() : kPadSendIntervalMs;
    if (since >= kPadSendIntervalMs) {
        SendPadPosition();
    } else {
        m_positionPacer->start(static_cast<int>(kPadSendIntervalMs - since));
    }
}

void CControllerDlg::SendPadPosition() {
    CControllerDoc* doc = Doc();
    if (!doc || !doc->EnsureOutputOpen(OutputListSelection())) {
        return;
    }
    m_sinceLastPosition.restart();
    const int c = m_dragChannel;
    const std::array<int, 3> position = {doc->XPosition[c], doc->YPosition[c], doc->ZPosition[c]};
    for (std::size_t i = 0; i < position.size(); ++i) {
        if (position[i] != m_dragSent[i] &&
            doc->SendShort(kControlChange, c, 20 + static_cast<int>(i), position[i])) {
            m_dragSent[i] = position[i];
        }
    }
}

bool CControllerDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui.sourcePad && event->type() == QEvent::MouseButtonRelease) {
        // The drag ends; a position still waiting for its turn goes out when due. The next
        // drag starts from nothing sent, since other windows may have moved the source.
        m_padDragActive = false;
    }
    return CSkinDialog::eventFilter(watched, event);
}

void CControllerDlg::RefreshFromDocument() {
    CControllerDoc* doc = Doc();
    if (!doc) {
        return;
    }
    const int c = ShownChannel();
    for (const MainControl& row : kMainControls) {
        if (row.id != ControlId::ZPosition) {
            ShowControl(row.id, row.Value(*doc, c));
        }
    }
    m_ui.outputList->setCurrentIndex(doc->outMIDIPort);
    UpdateTitle();
    m_ui.sourcePad->SetFromValues(doc->XPosition[c], doc->YPosition[c]);
    ShowControl(ControlId::ZPosition, doc->ZPosition[c]);
    ShowSourceLabel(ControlId::SourceXLabel, doc->XPosition[c]);
    ShowSourceLabel(ControlId::SourceYLabel, doc->YPosition[c]);
    ShowSourceLabel(ControlId::SourceZLabel, doc->ZPosition[c]);
}

void CControllerDlg::OnOutputListActivated(int index) {
    m_pendingOutput = 0;
    if (CControllerDoc* doc = Doc()) {
        doc->outMIDIPort = index;
        // The connection exists as soon as the device is chosen, for patchbay programs to
        // show; nothing is sent. A device that does not open is told by the log only.
        static_cast<void>(doc->EnsureOutputOpen(index));
    }
}

void CControllerDlg::OnSend(int buttonId) {
    CControllerDoc* doc = Doc();
    if (!doc) {
        return;
    }
    // A section that does not arrive is not reported: the window stays silent, as it
    // does for every send, and the MIDI log says why.
    MidiResult sent;
    switch (buttonId) {
    case ControlId::SendPatchbay:
        sent = doc->SendPatchbay();
        break;
    case ControlId::SendChannels:
        sent = doc->SendChannels();
        break;
    case ControlId::SendGlobals:
        sent = doc->SendGlobals();
        break;
    default:
        break;
    }
    static_cast<void>(sent);
}

void CControllerDlg::ExecuteCommand(int command) {
    if (!OnCommand(command)) {
        m_app.OnCommand(command);
    }
}

bool CControllerDlg::OnCommand(int command) {
    CControllerDoc* doc = Doc();
    switch (command) {
    case CommandId::New:
        if (doc) {
            // The open port stays open through New, so its entry stays chosen: the list
            // shows where the next control sends.
            const int shown = OutputListSelection();
            const bool open =
                shown > 0 && doc->MidiOut.IsAlive() && doc->CurrentOutDevice == shown - 1;
            doc->NewDocument();
            if (open) {
                doc->outMIDIPort = shown;
            }
            m_app.DocumentGuard().MarkSaved(*doc);
            AfterFileCommand();
        }
        return true;
    case CommandId::Import:
    case CommandId::SaveAs:
        if (doc) {
            const bool done =
                command == CommandId::Import ? ImportFile(*doc, this) : SaveFileAs(*doc, this);
            if (done) {
                m_app.DocumentGuard().MarkSaved(*doc);
            }
            AfterFileCommand();
        }
        return true;
    case CommandId::Close:
    case CommandId::Exit:
        close();
        return true;
    case CommandId::Patchbay:
    case CommandId::About:
        if (const auto runner = m_modalRunners.value(command)) {
            runner(*this);
        } else if (command == CommandId::About) {
            QMessageBox::about(this, QStringLiteral("About Orbis Controller"),
                               QStringLiteral("ORBIS CONTROLLER\nVersion %1")
                                   .arg(QCoreApplication::applicationVersion()));
        }
        return true;
    case CommandId::HelpPdf:
        return true;
    case CommandId::Minimize:
        showMinimized();
        return true;
    case CommandId::BringAllToFront:
        BringAllToFront();
        return true;
    case CommandId::ActivateMain:
        ActivateMainWindow();
        return true;
    default:
        break;
    }
    if (const SettingsWindowRule* rule = FindSettingsWindowRule(command)) {
        const CControllerApp::SettingsWindowFactory& factory =
            m_app.SettingsWindowFactoryFor(rule->window);
        std::function<QWidget*()> make;
        if (factory) {
            make = [this, &factory] { return factory(*this); };
        }
        m_settingsWindows.Open(*rule, make, *this);
        return true;
    }
    return false;
}

void CControllerDlg::AfterFileCommand() {
    RefreshFromDocument();
    if (SpatOutsWindowView* speakers = SpeakerWindowView()) {
        speakers->ReinitialiseSpeakerPad();
    }
}

void CControllerDlg::SetModalWindowRunner(int command,
                                          std::function<void(CControllerDlg&)> runner) {
    m_modalRunners.insert(command, std::move(runner));
}

void CControllerDlg::BringAllToFront() {
    if (isMinimized()) {
        showNormal();
    }
    raise();
    m_settingsWindows.RaiseVisible();
}

void CControllerDlg::ActivateMainWindow() {
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
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

void CControllerDlg::closeEvent(QCloseEvent* event) {
    CControllerDoc* doc = Doc();
    if (doc && !m_app.CloseRequested() && !m_app.DocumentGuard().ConfirmClose(*doc, this)) {
        event->ignore();
        return;
    }
    CSkinDialog::closeEvent(event);
}

void CControllerDlg::UpdateTitle() {
    const CControllerDoc* doc = Doc();
    if (!doc) {
        return;
    }
    const bool modified = m_app.DocumentGuard().IsModified(*doc);
    const QString name = QFile::decodeName(QByteArray::fromStdString(doc->DocumentName));
    const QString title = modified ? QLatin1Char('*') + name : name;
    if (m_title->text() != title) {
        m_title->setText(title);
    }
    setWindowModified(modified);
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
