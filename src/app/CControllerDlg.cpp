#include "CControllerDlg.h"

#include "CControllerApp.h"
#include "FileCommands.h"
#include "MainMenu.h"
#include "MainWindowLayout.h"
#include "controls/CPositionPad.h"
#include "controls/CRoundSliderCtrl.h"
#include "controls/CSkinButton.h"
#include "controls/CSkinLabel.h"
#include "controls/CSkinSlider.h"
#include "controls/ControlResources.h"
#include "controls/SkinColours.h"
#include "midi/CControllerMidiIn.h"
#include "midi/MidiBackend.h"
#include "model/CControllerDoc.h"
#include "settings/SpatOutsWindowView.h"
#include "tracker/CTrackerLink.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int kControlChange = 0xB0;
constexpr int kZAngle = 225;
constexpr int kMoveUpOnOpen = 136;
constexpr std::uint32_t kThumbColour = 0x00FF0000;
constexpr std::uint32_t kSelectionColour = 0x00FF4040;
constexpr std::uint32_t kChannelColour = 0x00FFC4C4;
const QString kReadoutFace = QStringLiteral("Tahoma");

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void Tag(QWidget* widget, int id, std::string_view name) {
    widget->setObjectName(Text(name));
    widget->setProperty("controlId", id);
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
// the same narrow build are preferred to the wide default so the captions fit.
void InstallFontSubstitutes() {
    const QStringList narrowFaces = {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                     QStringLiteral("Nimbus Sans"),
                                     QStringLiteral("DejaVu Sans Condensed")};
    for (const QString& face : {QStringLiteral("Tahoma"), QStringLiteral("MS Sans Serif")}) {
        if (QFont::substitutes(face).isEmpty()) {
            QFont::insertSubstitutions(face, narrowFaces);
        }
    }
}

void StyleLabel(CSkinLabel* label, const MainWindowLayout::Label& row) {
    using MainWindowLayout::LabelStyle;
    switch (row.style) {
    case LabelStyle::Plain:
        break;
    case LabelStyle::Caption:
    case LabelStyle::Header:
    case LabelStyle::Title:
        label->SetBold(row.style == LabelStyle::Title);
        label->SetHeight(row.style == LabelStyle::Caption ? 9 : 11);
        label->SetFaceName(kReadoutFace);
        break;
    case LabelStyle::Readout:
        label->SetBold(true);
        label->SetHeight(11);
        label->SetTextColour(SkinColours::FromColorRef(kThumbColour));
        label->SetFaceName(kReadoutFace);
        break;
    }
    if (row.sunken) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    label->setAlignment(row.alignment);
    label->setWordWrap(row.style == LabelStyle::Caption && row.place.height > 8);
}

} // namespace

CControllerDlg::CControllerDlg(CControllerApp& app, QWidget* parent)
    : CSkinDialog(parent), m_app(app) {
    Tag(this, 102, "CControllerDlg");
    setWindowTitle(QStringLiteral("ORBIS CONTROLLER"));
    InitControlResources();
    InstallFontSubstitutes();
    setWindowIcon(QIcon(BitmapPath(BitmapId::AppIcon)));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    QFont dialogFont(QStringLiteral("MS Sans Serif"));
    dialogFont.setPointSize(8);
    setFont(dialogFont);

    CreateMenus();
    CreateControls();

    m_midiIn = new CControllerMidiIn(this);
    m_midiIn->Create(this);
    m_midiIn->SetDocumentSource([] { return GetControllerDoc(); });

    m_inputDeviceMenu.setParent(this);
    m_inputDeviceMenu.Build(m_menuBar, static_cast<int>(m_menuBar->actions().size()) - 1,
                            QStringLiteral("&Input Device"), CInputDeviceMenu::kFirstCommandId);
    m_inputDeviceMenu.Attach(m_midiIn);
    m_inputDeviceMenu.Select(0);

    if (!m_app.m_pDoc) {
        m_app.m_pDoc = std::make_unique<CControllerDoc>();
    }
    Doc()->SetView(this);
    Doc()->ReadControllerFile(QFile::encodeName(m_app.m_strLastDocument).toStdString(), false);

    FillDeviceLists();
    m_sourcePad->SetFromValues(64, 64);
    InitialiseControls();
    m_channelList->setCurrentIndex(0);
    RefreshFromDocument();

    m_trackerLink = new CTrackerLink(this);
    CSkinButton* kestrel = m_buttons.value(ControlId::KestrelToggle);
    connect(kestrel, &QAbstractButton::clicked, m_trackerLink, &CTrackerLink::SetOn);
    connect(m_trackerLink, &CTrackerLink::PositionArrived, m_sourcePad,
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

void CControllerDlg::CreateMenus() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("MenuBar"));
    layout->setMenuBar(m_menuBar);
    m_commands = BuildMainMenu(m_menuBar);
    for (auto it = m_commands.cbegin(); it != m_commands.cend(); ++it) {
        const int command = it.key();
        connect(it.value(), &QAction::triggered, this,
                [this, command] { ExecuteCommand(command); });
    }
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("Client"));
    m_client->setFixedSize(DialogUnits::ToPixels(MainWindowLayout::kClient).size());
    layout->addWidget(m_client);
}

void CControllerDlg::CreateControls() {
    using namespace MainWindowLayout;
    for (const DialogUnits::Rect& place : kFrames) {
        auto* frame = new QFrame(m_client);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        frame->setGeometry(DialogUnits::ToPixels(place));
    }
    for (const Label& row : kLabels) {
        auto* label = new CSkinLabel(Text(row.text), m_client);
        Tag(label, row.id, row.objectName);
        label->setGeometry(DialogUnits::ToPixels(row.place));
        StyleLabel(label, row);
        m_labels.insert(row.id, label);
    }
    m_title = m_labels.value(ControlId::Title);
    m_readoutCaption = m_labels.value(ControlId::ReadoutCaption);
    m_readoutValue = m_labels.value(ControlId::ReadoutValue);

    for (const Button& row : kButtons) {
        auto* button =
            new CSkinButton(row.toggle ? SkinButtonKind::CheckBox : SkinButtonKind::PushButton,
                            Text(row.text), m_client);
        Tag(button, row.id, row.objectName);
        button->setGeometry(DialogUnits::ToPixels(row.place));
        button->SetPushLike(row.toggle);
        button->SetBold(true);
        m_buttons.insert(row.id, button);
        if (!row.toggle) {
            const int id = row.id;
            connect(button, &QAbstractButton::clicked, this, [this, id] { OnSend(id); });
        }
    }

    const auto makeList = [this](int id, std::string_view name, const DialogUnits::Rect& place) {
        auto* list = new QComboBox(m_client);
        Tag(list, id, name);
        QRect geometry = DialogUnits::ToPixels(place);
        geometry.setHeight(DialogUnits::Y(13));
        list->setGeometry(geometry);
        return list;
    };
    m_inputList = makeList(ControlId::InputList, "InputList", kInputList);
    m_inputList->hide();
    m_outputList = makeList(ControlId::OutputList, "OutputList", kOutputList);
    m_channelList = makeList(ControlId::ChannelList, "ChannelList", kChannelList);
    for (int channel = 1; channel <= CControllerDoc::kChannels; ++channel) {
        m_channelList->addItem(QStringLiteral("Ch. %1").arg(channel));
    }
    connect(m_outputList, &QComboBox::activated, this, &CControllerDlg::OnOutputListActivated);
    connect(m_channelList, &QComboBox::activated, this, [this] { RefreshFromDocument(); });

    m_sourcePad = new CPositionPad(m_client);
    Tag(m_sourcePad, ControlId::SourcePad, "SourcePad");
    const QRect padPlace = DialogUnits::ToPixels(kSourcePad);
    m_sourcePad->setGeometry(padPlace.x(), padPlace.y(), kSourcePadPixels, kSourcePadPixels);
    m_sourcePad->SetOwner(this);

    for (std::size_t i = 0; i < kMainControls.size(); ++i) {
        const MainControl& row = kMainControls[i];
        QAbstractSlider* control = nullptr;
        if (row.kind == MainControlKind::Knob) {
            auto* knob = new CRoundSliderCtrl(m_client);
            connect(knob, &CRoundSliderCtrl::scrolled, this, [this, i] { OnControlScrolled(i); });
            control = knob;
        } else {
            auto* slider = new CSkinSlider(Qt::Vertical, m_client);
            connect(slider, &CSkinSlider::scrolled, this, [this, i] { OnControlScrolled(i); });
            control = slider;
        }
        Tag(control, row.id, row.objectName);
        control->setGeometry(DialogUnits::ToPixels(row.place));
        m_controls[i] = control;
    }
}

void CControllerDlg::FillDeviceLists() {
    MidiBackend& midi = MidiBackend::Current();
    const int outputs = midi.OutputCount();
    for (int n = 0; n < outputs; ++n) {
        m_outputList->addItem(QString::fromStdString(CControllerDoc::OutputDeviceName(n)));
    }
    m_outputList->insertItem(0, QStringLiteral("Select Output Device"));
    m_outputList->setCurrentIndex(Doc()->outMIDIPort);

    const int inputs = midi.InputCount();
    for (int n = 0; n < inputs; ++n) {
        m_inputList->addItem(QString::fromStdString(CControllerDoc::InputDeviceName(n)));
    }
    m_inputList->insertItem(0, QStringLiteral("Select Input Device"));
}

void CControllerDlg::InitialiseControls() {
    for (std::size_t i = 0; i < kMainControls.size(); ++i) {
        const MainControl& row = kMainControls[i];
        QAbstractSlider* control = m_controls[i];
        const QSignalBlocker quiet(control);
        control->setRange(row.minimum, row.maximum);
        if (row.kind == MainControlKind::Knob) {
            auto* knob = static_cast<CRoundSliderCtrl*>(control);
            knob->SetZeroAngle(kZAngle);
            knob->setValue(1);
        } else {
            auto* slider = static_cast<CSkinSlider*>(control);
            slider->setTickInterval(row.tickInterval);
            slider->setTickPosition(QSlider::TicksBothSides);
            slider->SetThumbColour(SkinColours::FromColorRef(kThumbColour));
            slider->SetSelectionColour(SkinColours::FromColorRef(kSelectionColour));
            slider->SetChannelColour(SkinColours::FromColorRef(kChannelColour));
            slider->SetValue(0);
        }
    }
}

std::size_t CControllerDlg::ControlIndex(int id) const {
    return static_cast<std::size_t>(FindMainControl(id) - kMainControls.data());
}

const MainControl& CControllerDlg::ControlRow(int id) const {
    return *FindMainControl(id);
}

QAbstractSlider* CControllerDlg::Control(int id) const {
    return FindMainControl(id) ? m_controls[ControlIndex(id)] : nullptr;
}

int CControllerDlg::OutputListSelection() const {
    return m_outputList->currentIndex();
}

int CControllerDlg::ShownChannel() const {
    return m_channelList->currentIndex();
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
    CSkinLabel* label = m_labels.value(labelId);
    if (label) {
        label->setText(
            QString::fromStdString(ValueLabel(ValueUnit::Metres, value, LabelContext())));
    }
}

void CControllerDlg::MoveControl(std::size_t index, int value) {
    // The widget may announce the move in any way it likes; nobody is listening.
    QAbstractSlider* control = m_controls[index];
    const QSignalBlocker quiet(control);
    if (kMainControls[index].kind == MainControlKind::Slider) {
        static_cast<CSkinSlider*>(control)->SetValue(value);
    } else {
        control->setValue(value);
    }
}

void CControllerDlg::ShowControl(int id, int value) {
    const MainControl& row = ControlRow(id);
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
    m_sourcePad->SetFromValues(x, y);
}

void CControllerDlg::MoveSourceZ(int value) {
    MoveControl(ControlIndex(ControlId::ZPosition), value);
}

void CControllerDlg::SendToProcessor(int channel,
                                     std::initializer_list<std::pair<int, int>> changes) {
    CControllerDoc* doc = Doc();
    doc->EnsureOutputOpen(OutputListSelection());
    for (const auto& [controller, value] : changes) {
        doc->SendShort(kControlChange, channel, controller, value);
    }
}

void CControllerDlg::OnControlScrolled(std::size_t index) {
    CControllerDoc* doc = Doc();
    if (!doc) {
        return;
    }
    const MainControl& row = kMainControls[index];
    const int channel = ShownChannel();
    const int value = m_controls[index]->value();
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
    auto* speakers = dynamic_cast<SpatOutsWindowView*>(OpenedWindow(SettingsWindow::SpatOuts));
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
    SendToProcessor(c, {{20, xValue}, {21, yValue}, {22, zValue}});
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
    m_outputList->setCurrentIndex(doc->outMIDIPort);
    m_title->setText(QFile::decodeName(QByteArray::fromStdString(doc->DocumentName)));
    m_sourcePad->SetFromValues(doc->XPosition[c], doc->YPosition[c]);
    ShowZPosition(doc->ZPosition[c]);
    ShowSourceLabel(ControlId::SourceXLabel, doc->XPosition[c]);
    ShowSourceLabel(ControlId::SourceYLabel, doc->YPosition[c]);
    ShowSourceLabel(ControlId::SourceZLabel, doc->ZPosition[c]);
}

void CControllerDlg::OnOutputListActivated(int index) {
    if (CControllerDoc* doc = Doc()) {
        doc->outMIDIPort = index;
    }
}

void CControllerDlg::OnSend(int buttonId) {
    CControllerDoc* doc = Doc();
    if (!doc) {
        return;
    }
    switch (buttonId) {
    case ControlId::SendPatchbay:
        doc->SendPatchbay();
        break;
    case ControlId::SendChannels:
        doc->SendChannels();
        break;
    case ControlId::SendGlobals:
        doc->SendGlobals();
        break;
    default:
        break;
    }
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
            doc->NewDocument();
            RefreshFromDocument();
        }
        return true;
    case CommandId::Import:
    case CommandId::SaveAs:
        if (doc) {
            if (command == CommandId::Import) {
                ImportFile(*doc, this);
            } else {
                SaveFileAs(*doc, this);
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
        OpenSettingsWindow(*rule);
        return true;
    }
    return false;
}

void CControllerDlg::AfterFileCommand() {
    RefreshFromDocument();
    if (auto* speakers =
            dynamic_cast<SpatOutsWindowView*>(OpenedWindow(SettingsWindow::SpatOuts))) {
        speakers->ReinitialiseSpeakerPad();
    }
}

void CControllerDlg::SetModalWindowRunner(int command,
                                          std::function<void(CControllerDlg&)> runner) {
    m_modalRunners.insert(command, std::move(runner));
}

void CControllerDlg::OpenSettingsWindow(const SettingsWindowRule& rule) {
    QPointer<QWidget>& slot = m_settingsWindows[static_cast<std::size_t>(rule.window)];
    if (slot) {
        slot->showNormal();
        slot->raise();
        slot->activateWindow();
        return;
    }
    const CControllerApp::SettingsWindowFactory& factory =
        m_app.SettingsWindowFactoryFor(rule.window);
    if (!factory) {
        return; // this kind of window is not part of the program yet
    }
    QWidget* window = factory(*this);
    if (!window) {
        QMessageBox::warning(this, windowTitle(), Text(rule.errorText), QMessageBox::Ok);
        return;
    }
    slot = window;
    // Placed once shown, when the width of its frame is known.
    window->show();
    if (const auto place =
            PlaceSettingsWindow(rule.placement, frameGeometry(), window->frameGeometry().width())) {
        window->move(*place);
    }
}

void CControllerDlg::BringAllToFront() {
    if (isMinimized()) {
        showNormal();
    }
    raise();
    for (const QPointer<QWidget>& window : m_settingsWindows) {
        if (window && window->isVisible()) {
            window->raise();
        }
    }
}

void CControllerDlg::ActivateMainWindow() {
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
}

void CControllerDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter presses the push button that has the focus; anywhere else it closes the window.
        auto* button = qobject_cast<CSkinButton*>(focusWidget());
        if (button && button->Kind() == SkinButtonKind::PushButton) {
            button->click();
        } else {
            accept();
        }
        return;
    }
    CSkinDialog::keyPressEvent(event);
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
