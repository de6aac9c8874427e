#include "settings/CStereoSourceDlg.h"

#include "controls/CSkinButton.h"
#include "controls/CSkinLabel.h"
#include "controls/CSkinSlider.h"
#include "controls/CStereoPad.h"
#include "controls/SkinColours.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "model/ValueText.h"
#include "program/CControllerApp.h"
#include "program/CDocumentEvents.h"
#include "program/CUndoHistory.h"
#include "settings/PositionWindowIds.h"
#include "settings/SendToProcessor.h"
#include "settings/SettingsWidgets.h"
#include "ui/GestureEnds.h"

#include <QCloseEvent>

using SettingsWidgets::SetUpPositionWindow;
using SettingsWidgets::Tag;

namespace {

using namespace StereoSourceId;

constexpr int kPadSize = 279;
constexpr QSize kWindow(432, 422);
constexpr std::uint32_t kThumbColour = 0x00FF0000;
constexpr std::uint32_t kSelectionColour = 0x00FF4040;
constexpr std::uint32_t kChannelColour = 0x00FFC4C4;

constexpr int kOpeningAngle = 64;
constexpr int kOpeningWidth = 21;
constexpr int kOpeningFocus = 127;
constexpr int kOpeningElevation = 42;

struct SliderPlace {
    int id;
    const char* name;
    Qt::Orientation orientation;
    QRect place;
};

const std::array<SliderPlace, 4> kSliderPlaces = {{
    {ElevationSlider, "Elevation", Qt::Vertical, {310, 28, 36, 236}},
    {FocusSlider, "Focus", Qt::Vertical, {376, 28, 36, 236}},
    {WidthSlider, "Width", Qt::Horizontal, {70, 296, 226, 28}},
    {AngleSlider, "Angle", Qt::Horizontal, {70, 330, 226, 28}},
}};

struct LabelPlace {
    int id;
    const char* name;
    const char* text;
    QRect place;
    Qt::Alignment alignment;
};

constexpr Qt::Alignment kCentred = Qt::AlignCenter;
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;

const std::array<LabelPlace, 13> kLabelPlaces = {{
    {ElevationCaption, "ElevationCaption", "Elevation", {294, 8, 68, 16}, kCentred},
    {FocusCaption, "FocusCaption", "Focus", {360, 8, 68, 16}, kCentred},
    {WidthCaption, "WidthCaption", "Width", {10, 301, 58, 18}, kLeft},
    {AngleCaption, "AngleCaption", "Angle", {10, 335, 58, 18}, kLeft},
    {ElevationValue, "ElevationValue", "", {294, 268, 68, 18}, kCentred},
    {FocusValue, "FocusValue", "", {360, 268, 68, 18}, kCentred},
    {WidthValue, "WidthValue", "", {298, 301, 56, 18}, kCentred},
    {AngleValue, "AngleValue", "", {298, 335, 56, 18}, kCentred},
    {PairsCaption, "PairsCaption", "Select Couple of Inputs", {10, 370, 260, 18}, kLeft},
    {kPairLabels[0], "PairLabel12", "1-2", {34, 392, 44, 18}, kLeft},
    {kPairLabels[1], "PairLabel34", "3-4", {114, 392, 44, 18}, kLeft},
    {kPairLabels[2], "PairLabel56", "5-6", {194, 392, 44, 18}, kLeft},
    {kPairLabels[3], "PairLabel78", "7-8", {274, 392, 44, 18}, kLeft},
}};

} // namespace

CStereoSourceDlg::CStereoSourceDlg(CControllerApp& program, QWidget& mainWindow)
    : CSkinDialog(&mainWindow), m_program(program) {
    Tag(this, Dialog, "CStereoSourceDlg");
    SetUpPositionWindow(this, QStringLiteral("Stereo Source Position Manager"));
    setFixedSize(kWindow);

    CreateControls();
    InitialiseSliders();
    SelectPair(0);
    // Opening shows where the opening values would put the pair, and leaves the running
    // setup alone: the channels keep their positions until the operator moves something.
    m_pad->ShowPlacement();
    ShowSliderValues();
    // The sliders are the window's own; only their texts follow the display mode.
    connect(&m_program.Events(), &CDocumentEvents::displayModeChanged, this,
            &CStereoSourceDlg::ShowSliderValues);
}

void CStereoSourceDlg::CreateControls() {
    m_pad = new CStereoPad(this);
    Tag(m_pad, StereoSourceId::Pad, "StereoPad");
    m_pad->setGeometry(10, 10, kPadSize, kPadSize);
    m_pad->SetOwner(this);
    CUndoHistory* history = &m_program.History();
    connect(m_pad, &CPadBase::dragStarted, history, &CUndoHistory::BeginGesture);
    connect(m_pad, &CPadBase::dragEnded, history, &CUndoHistory::EndGesture);

    for (const LabelPlace& row : kLabelPlaces) {
        auto* label = new CSkinLabel(QString::fromLatin1(row.text), this);
        Tag(label, row.id, row.name);
        label->setGeometry(row.place);
        label->setAlignment(row.alignment);
        label->SetBold(true);
        label->SetHeight(12);
        label->SetFaceName(QStringLiteral("Tahoma"));
        m_labels.insert(row.id, label);
    }

    for (const SliderPlace& row : kSliderPlaces) {
        auto* slider = new CSkinSlider(row.orientation, this);
        Tag(slider, row.id, row.name);
        slider->setGeometry(row.place);
        const int id = row.id;
        connect(slider, &CSkinSlider::scrolled, this, [this, id] { OnSliderScrolled(id); });
        FollowGestures(slider, *history);
        m_sliders.insert(row.id, slider);
    }

    for (int k = 0; k < 4; ++k) {
        auto* button = new CSkinButton(SkinButtonKind::RadioButton, this);
        button->setObjectName(QStringLiteral("PairButton%1").arg(k + 1));
        button->setProperty("controlId", kPairButtons[k]);
        button->setGeometry(14 + k * 80, 392, 18, 18);
        connect(button, &QAbstractButton::clicked, this, [this, k] { SelectPair(k); });
        m_pairButtons[k] = button;
    }
}

void CStereoSourceDlg::InitialiseSliders() {
    const std::array<std::pair<int, int>, 4> opening = {{
        {AngleSlider, kOpeningAngle},
        {WidthSlider, kOpeningWidth},
        {FocusSlider, kOpeningFocus},
        {ElevationSlider, kOpeningElevation},
    }};
    for (const auto& [id, value] : opening) {
        CSkinSlider* slider = m_sliders.value(id);
        slider->setRange(0, 127);
        slider->setTickInterval(2);
        slider->setTickPosition(QSlider::TicksBothSides);
        slider->SetThumbColour(SkinColours::FromColorRef(kThumbColour));
        slider->SetSelectionColour(SkinColours::FromColorRef(kSelectionColour));
        slider->SetChannelColour(SkinColours::FromColorRef(kChannelColour));
        slider->SetValue(value);
    }
}

CControllerDoc* CStereoSourceDlg::Doc() const {
    return &m_program.Doc();
}

int CStereoSourceDlg::SliderValue(int id) const {
    return m_sliders.value(id)->GetValue();
}

StereoSliders CStereoSourceDlg::Sliders() const {
    return {SliderValue(AngleSlider), SliderValue(WidthSlider), SliderValue(FocusSlider)};
}

void CStereoSourceDlg::SetAngleAndFocus(int angle, int focus) {
    m_sliders.value(AngleSlider)->SetValue(angle);
    m_sliders.value(FocusSlider)->SetValue(focus);
}

void CStereoSourceDlg::SetLabel(int id, const std::string& text) {
    m_labels.value(id)->setText(QString::fromStdString(text));
}

std::string CStereoSourceDlg::AngleText() const {
    const CControllerDoc* doc = Doc();
    const ValueLabelContext context{doc == nullptr || doc->ShowRawValues};
    return ValueLabel(ValueUnit::DegreesSigned, SliderValue(AngleSlider), context);
}

std::string CStereoSourceDlg::WidthText() const {
    const CControllerDoc* doc = Doc();
    const ValueLabelContext context{doc == nullptr || doc->ShowRawValues};
    return ValueLabel(ValueUnit::DegreesFullCircle, SliderValue(WidthSlider), context);
}

void CStereoSourceDlg::OnSliderScrolled(int id) {
    switch (id) {
    case FocusSlider:
        SetLabel(FocusValue, std::to_string(SliderValue(FocusSlider)));
        Recompute();
        break;
    case ElevationSlider:
        SetElevation(SliderValue(ElevationSlider));
        break;
    case AngleSlider:
        SetLabel(AngleValue, AngleText());
        Recompute();
        break;
    case WidthSlider:
        SetLabel(WidthValue, WidthText());
        Recompute();
        break;
    default:
        break;
    }
}

void CStereoSourceDlg::Recompute() {
    m_pad->Recompute();
}

void CStereoSourceDlg::UpdatePositions(const StereoPositions& positions) {
    CControllerDoc* doc = Doc();
    if (doc == nullptr) {
        return;
    }
    const int p = m_firstChannel;
    const int x1 = positions.first.x();
    const int x2 = positions.second.x();
    const int y1 = 127 - positions.first.y();
    const int y2 = 127 - positions.second.y();

    ShowSliderValues();

    const std::pair<ParameterKey, int> pair[] = {{KeyOf(&CControllerDoc::XPosition, p), x1},
                                                 {KeyOf(&CControllerDoc::YPosition, p), y1},
                                                 {KeyOf(&CControllerDoc::XPosition, p + 1), x2},
                                                 {KeyOf(&CControllerDoc::YPosition, p + 1), y2}};
    doc->Apply(pair, ChangeOrigin::Gesture);
    SendToProcessor(m_program.Link(), {pair[0], pair[2], pair[1], pair[3]}); // both X, then both Y
}

void CStereoSourceDlg::CrossStepped(int angle, int focus, const StereoPositions& positions) {
    // Each press is a step of its own, as each drag is.
    const CUndoHistory::NamedStep step(
        m_program.History(),
        QStringLiteral("Stereo Pair %1-%2").arg(m_firstChannel + 1).arg(m_firstChannel + 2));
    SetAngleAndFocus(angle, focus);
    UpdatePositions(positions);
}

void CStereoSourceDlg::SetElevation(int value) {
    SetLabel(ElevationValue, std::to_string(value));
    CControllerDoc* doc = Doc();
    if (doc == nullptr) {
        return;
    }
    const int p = m_firstChannel;
    const std::pair<ParameterKey, int> heights[] = {
        {KeyOf(&CControllerDoc::ZPosition, p), value},
        {KeyOf(&CControllerDoc::ZPosition, p + 1), value}};
    doc->Apply(heights, ChangeOrigin::Gesture);
    SendToProcessor(m_program.Link(), {heights[0], heights[1]});
}

void CStereoSourceDlg::ShowSliderValues() {
    SetLabel(ElevationValue, std::to_string(SliderValue(ElevationSlider)));
    SetLabel(FocusValue, std::to_string(SliderValue(FocusSlider)));
    SetLabel(WidthValue, WidthText());
    SetLabel(AngleValue, AngleText());
}

void CStereoSourceDlg::SelectPair(int pair) {
    if (pair < 0 || pair >= static_cast<int>(m_pairButtons.size())) {
        return;
    }
    for (CSkinButton* button : m_pairButtons) {
        button->SetCheck(0);
    }
    m_pairButtons[pair]->SetCheck(1);
    m_firstChannel = pair * 2;
}

void CStereoSourceDlg::reject() {
    // Esc closes the window for good, as its close box does.
    close();
}

void CStereoSourceDlg::closeEvent(QCloseEvent* event) {
    // Not the dialog's own handling, which would only hide the window: closing is for good.
    event->accept();
}
