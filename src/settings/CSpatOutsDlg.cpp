#include "settings/CSpatOutsDlg.h"

#include "controls/CSkinButton.h"
#include "controls/CSkinLabel.h"
#include "controls/CSpeakerPad.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "model/ValueText.h"
#include "program/CControllerApp.h"
#include "program/CDocumentEvents.h"
#include "program/CUndoHistory.h"
#include "settings/CUpDownArrows.h"
#include "settings/PositionWindowIds.h"
#include "settings/SendToProcessor.h"
#include "settings/SettingsWidgets.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>

using SettingsWidgets::SetUpPositionWindow;
using SettingsWidgets::Tag;

namespace {

constexpr int kPadSize = 279;
constexpr QPoint kPadAt(40, 14);
constexpr int kViewWidth = 344; // the pad with its scales and the "Fine Tuning" button
constexpr int kHeight = 354;
constexpr QRect kFineTuningButton(129, 320, 100, 24);
constexpr int kGroupStep = 43;
constexpr int kAxisStep = 96;
// A hidden panel places the window this far left of where it was made and this far above
// the main window's vertical centre.
constexpr int kOpeningShift = 50;

// One coordinate of a loudspeaker: where the document keeps it.
struct Axis {
    const char* name;
    int (CControllerDoc::*values)[CControllerDoc::kChannels];
};

const std::array<Axis, 3> kAxes = {{
    {"X", &CControllerDoc::SpatOutXPos},
    {"Y", &CControllerDoc::SpatOutYPos},
    {"Z", &CControllerDoc::SpatOutZPos},
}};
constexpr int kX = 0;
constexpr int kY = 1;

// The scale along the pad's edges: the corner "0" shared by both axes, then 32, 64, 96 and
// 127 along X (below the pad) and along Y (left of it).
enum class ScaleAxis { Corner, X, Y };
struct ScaleMark {
    int value;
    ScaleAxis axis;
};
constexpr std::array<ScaleMark, 9> kScale = {{
    {0, ScaleAxis::Corner},
    {32, ScaleAxis::X},
    {64, ScaleAxis::X},
    {96, ScaleAxis::X},
    {127, ScaleAxis::X},
    {32, ScaleAxis::Y},
    {64, ScaleAxis::Y},
    {96, ScaleAxis::Y},
    {127, ScaleAxis::Y},
}};

QRect ScaleMarkPlace(const ScaleMark& mark) {
    const int offset = mark.value * kPadSize / 127;
    const int below = kPadAt.y() + kPadSize + 2;
    const int left = kPadAt.x() - 32;
    switch (mark.axis) {
    case ScaleAxis::X:
        return {kPadAt.x() + offset - 14, below, 28, 16};
    case ScaleAxis::Y:
        return {left, kPadAt.y() + kPadSize - offset - 8, 29, 16};
    case ScaleAxis::Corner:
        break;
    }
    return {left, below, 29, 16};
}

// All three coordinates, as a drag sends them.
void SendPosition(CProcessorLink& link, int speaker, int x, int y, int z) {
    SendToProcessor(link, {{KeyOf(kAxes[0].values, speaker), x},
                           {KeyOf(kAxes[1].values, speaker), y},
                           {KeyOf(kAxes[2].values, speaker), z}});
}

bool IsSpeaker(int speaker) {
    return speaker >= 0 && speaker < CControllerDoc::kChannels;
}

} // namespace

CSpatOutsDlg::CSpatOutsDlg(CControllerApp& program, QWidget& mainWindow)
    : CSkinDialog(&mainWindow), m_program(program), m_mainWindow(mainWindow) {
    Tag(this, SpatOutsId::Dialog, QStringLiteral("CSpatOutsDlg"));
    SetUpPositionWindow(this, QStringLiteral("Spat. Outs Position Manager"));
    CreateControls();
    // The window opens with the panel hidden.
    setFixedSize(kViewWidth, kHeight);
    m_pad->RebuildFromDocument();
    const CDocumentEvents& events = m_program.Events();
    connect(&events, &CDocumentEvents::changed, this, &CSpatOutsDlg::NoteChanges);
    connect(&events, &CDocumentEvents::settled, this, &CSpatOutsDlg::ShowNotedChanges);
    connect(&events, &CDocumentEvents::displayModeChanged, this,
            &CSpatOutsDlg::ReinitialiseSpeakerPad);
}

void CSpatOutsDlg::NoteChanges(const DocumentChanges& changes) {
    const int firstRow = KeyOf(&CControllerDoc::SpatOutXPos, 0).row;
    const int lastRow = KeyOf(&CControllerDoc::SpatOutZPos, 0).row;
    for (const ValueChange& change : changes.values) {
        const ParameterKey key = change.key;
        if (key == KeyOf(&CControllerDoc::NMatrixOutput) ||
            key == KeyOf(&CControllerDoc::RoomSide)) {
            m_rebuildStale = true; // the count, and the metres every field is written in
        } else if (!key.IsGlobal() && key.row >= firstRow && key.row <= lastRow &&
                   IsSpeaker(key.channel)) {
            m_staleSpeakers |= 1U << key.channel;
        }
    }
}

void CSpatOutsDlg::ShowNotedChanges() {
    const CControllerDoc* doc = Doc();
    if (m_rebuildStale) {
        ReinitialiseSpeakerPad();
    } else if (doc != nullptr) {
        for (int i = 0; i < CControllerDoc::kChannels; ++i) {
            if ((m_staleSpeakers & (1U << i)) == 0) {
                continue;
            }
            // The loudspeaker under the pointer stays where the hand holds it.
            if (!m_pad->IsDragging() || m_pad->Selected() != i) {
                m_pad->MoveX(i, doc->SpatOutXPos[i]);
                m_pad->MoveY(i, doc->SpatOutYPos[i]);
            }
            if (i < m_pad->ShownCount()) {
                ShowCoordinates(i, doc->SpatOutXPos[i], doc->SpatOutYPos[i], doc->SpatOutZPos[i]);
            }
        }
    }
    m_rebuildStale = false;
    m_staleSpeakers = 0;
}

void CSpatOutsDlg::CreateControls() {
    m_pad = new CSpeakerPad(this);
    Tag(m_pad, SpatOutsId::Pad, QStringLiteral("SpeakerPad"));
    m_pad->setGeometry(QRect(kPadAt, QSize(kPadSize, kPadSize)));
    m_pad->SetOwner(this);
    CUndoHistory* history = &m_program.History();
    connect(m_pad, &CPadBase::dragStarted, history, &CUndoHistory::BeginGesture);
    connect(m_pad, &CPadBase::dragEnded, history, &CUndoHistory::EndGesture);

    for (std::size_t i = 0; i < kScale.size(); ++i) {
        const ScaleMark& mark = kScale[i];
        auto* label = new CSkinLabel(QString::number(mark.value), this);
        Tag(label, SpatOutsId::kAxisLabels[i], QStringLiteral("AxisLabel%1").arg(i + 1));
        label->SetBold(true);
        label->SetHeight(12);
        label->SetFaceName(QStringLiteral("Tahoma"));
        label->setGeometry(ScaleMarkPlace(mark));
        switch (mark.axis) {
        case ScaleAxis::X:
            label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
            break;
        case ScaleAxis::Y:
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            break;
        case ScaleAxis::Corner:
            label->setAlignment(Qt::AlignRight | Qt::AlignTop);
            break;
        }
    }

    m_fineTuning = new CSkinButton(SkinButtonKind::PushButton, QStringLiteral("Fine Tuning"), this);
    Tag(m_fineTuning, SpatOutsId::FineTuning, QStringLiteral("FineTuning"));
    m_fineTuning->setGeometry(kFineTuningButton);
    connect(m_fineTuning, &QAbstractButton::clicked, this, &CSpatOutsDlg::ToggleFineTuning);

    for (int i = 0; i < CControllerDoc::kChannels; ++i) {
        auto* group = new QGroupBox(QStringLiteral("SpatOut %1").arg(i + 1), this);
        group->setObjectName(QStringLiteral("SpatOut%1").arg(i + 1));
        group->setGeometry(kViewWidth, 6 + i * kGroupStep, kPanelWidth - 12, kGroupStep - 3);
        const SpatOutsId::SpeakerControls& ids = SpatOutsId::kSpeakers[i];
        for (int a = 0; a < 3; ++a) {
            const QString axis = QString::fromLatin1(kAxes[a].name);
            const int x = 8 + a * kAxisStep;
            auto* caption = new QLabel(axis + QLatin1Char(':'), group);
            caption->setGeometry(x, 16, 16, 20);

            auto* field = new QLineEdit(group);
            Tag(field, ids.fields[a], QStringLiteral("SpatOut%1%2").arg(i + 1).arg(axis));
            field->setGeometry(x + 16, 16, 60, 20);
            // The fields only show values: the arrows and the pad are how they change.
            field->setReadOnly(true);
            field->setFocusPolicy(Qt::NoFocus);
            m_fields[i][a] = field;

            auto* arrows = new CUpDownArrows(group);
            Tag(arrows, ids.arrows[a], QStringLiteral("SpatOut%1%2Arrows").arg(i + 1).arg(axis));
            arrows->setGeometry(x + 77, 15, 14, 22);
            arrows->setAccessibleName(QStringLiteral("Speaker %1 %2").arg(i + 1).arg(axis));
            connect(arrows, &CUpDownArrows::deltaPos, this,
                    [this, i, a](int delta) { OnArrow(i, a, delta); });
            // Each step is a whole gesture; a held arrow's quick ones merge.
            connect(arrows, &CUpDownArrows::deltaPos, history, &CUndoHistory::EndGesture);
            m_arrows[i][a] = arrows;
        }
    }
}

CControllerDoc* CSpatOutsDlg::Doc() const {
    return &m_program.Doc();
}

void CSpatOutsDlg::SetSpeakerCount(int count) {
    for (auto& speaker : m_fields) {
        for (QLineEdit* field : speaker) {
            field->clear();
            field->setEnabled(false);
        }
    }
    const int shown = std::clamp(count, 0, CControllerDoc::kChannels);
    for (int i = 0; i < shown; ++i) {
        for (QLineEdit* field : m_fields[i]) {
            field->setEnabled(true);
        }
    }
}

void CSpatOutsDlg::ShowCoordinates(int speaker, int x, int y, int z) {
    const CControllerDoc* doc = Doc();
    if (!IsSpeaker(speaker) || doc == nullptr) {
        return;
    }
    const ValueLabelContext context{doc->ShowRawValues, doc->RoomSide, doc->Frequence};
    const int values[] = {x, y, z};
    for (int a = 0; a < 3; ++a) {
        const ValueUnit unit = ChannelParameterOf(kAxes[a].values).label.unit;
        m_fields[speaker][a]->setText(QString::fromStdString(ValueLabel(unit, values[a], context)));
    }
}

void CSpatOutsDlg::SpeakerDragged(int speaker, int px, int py) {
    CControllerDoc* doc = Doc();
    if (!IsSpeaker(speaker) || doc == nullptr) {
        return;
    }
    // 278, not 279: a pointer on the last pixel of the 279-pixel picture reads 127.
    const int x = std::clamp(px * 127 / 278, 0, 127);
    const int y = std::clamp(py * 127 / 278, 0, 127);
    const int z = doc->SpatOutZPos[speaker];
    const std::pair<ParameterKey, int> position[] = {
        {KeyOf(&CControllerDoc::SpatOutXPos, speaker), x},
        {KeyOf(&CControllerDoc::SpatOutYPos, speaker), y}};
    doc->Apply(position, ChangeOrigin::Gesture);
    ShowCoordinates(speaker, x, y, z);
    SendPosition(m_program.Link(), speaker, x, y, z);
}

void CSpatOutsDlg::SpeakerStepped(int speaker, int dx, int dy) {
    CControllerDoc* doc = Doc();
    if (!IsSpeaker(speaker) || doc == nullptr) {
        return;
    }
    const int x = std::clamp(doc->SpatOutXPos[speaker] + dx, 0, 127);
    const int y = std::clamp(doc->SpatOutYPos[speaker] + dy, 0, 127);
    const int z = doc->SpatOutZPos[speaker];
    {
        // Each press is a step of its own, as each drag is.
        const CUndoHistory::NamedStep step(
            m_program.History(),
            CUndoHistory::GroupStepText(ParameterGroup::SpeakerPosition, speaker));
        const std::pair<ParameterKey, int> position[] = {
            {KeyOf(&CControllerDoc::SpatOutXPos, speaker), x},
            {KeyOf(&CControllerDoc::SpatOutYPos, speaker), y}};
        doc->Apply(position, ChangeOrigin::Gesture);
    }
    m_pad->MoveX(speaker, x);
    m_pad->MoveY(speaker, y);
    ShowCoordinates(speaker, x, y, z);
    // What a drag sends.
    SendPosition(m_program.Link(), speaker, x, y, z);
}

void CSpatOutsDlg::OnArrow(int speaker, int axis, int delta) {
    CControllerDoc* doc = Doc();
    if (doc == nullptr) {
        return;
    }
    const Axis& row = kAxes[axis];
    // A value from a hand-edited file steps from the end of the range it lies beyond.
    int value = std::clamp((doc->*row.values)[speaker], 0, 127);
    // The upper arrow proposes a negative change: it raises the coordinate.
    if (delta < 0) {
        value = std::min(value + 1, 127);
    } else {
        value = std::max(value - 1, 0);
    }
    doc->Set(KeyOf(row.values, speaker), value, ChangeOrigin::Gesture);
    if (axis == kX) {
        m_pad->MoveX(speaker, value);
    } else if (axis == kY) {
        m_pad->MoveY(speaker, value);
    }
    ShowCoordinates(speaker, doc->SpatOutXPos[speaker], doc->SpatOutYPos[speaker],
                    doc->SpatOutZPos[speaker]);
    SendToProcessor(m_program.Link(), {{KeyOf(row.values, speaker), value}});
}

void CSpatOutsDlg::ReinitialiseSpeakerPad() {
    m_pad->RebuildFromDocument();
}

int CSpatOutsDlg::SpeakerCount() const {
    const CControllerDoc* doc = Doc();
    return doc ? doc->NMatrixOutput : 0;
}

SpeakerPosition CSpatOutsDlg::SpeakerAt(int speaker) const {
    const CControllerDoc* doc = Doc();
    if (doc == nullptr || !IsSpeaker(speaker)) {
        return {};
    }
    return {doc->SpatOutXPos[speaker], doc->SpatOutYPos[speaker], doc->SpatOutZPos[speaker]};
}

void CSpatOutsDlg::ToggleFineTuning() {
    const int change = m_fineTuningShown ? -kPanelWidth : kPanelWidth;
    setFixedSize(width() + change, height());
    m_fineTuningShown = !m_fineTuningShown;
}

void CSpatOutsDlg::showEvent(QShowEvent* event) {
    CSkinDialog::showEvent(event);
    if (m_placed) {
        return;
    }
    m_placed = true;
    // Made at the main window's corner, then moved left and up to beside its centre, but
    // never off the screen.
    const QRect main = m_mainWindow.frameGeometry();
    QPoint place(main.x() - kOpeningShift, main.y() + main.height() / 2 - kOpeningShift);
    if (const QScreen* display = m_mainWindow.screen()) {
        const QRect screen = display->availableGeometry();
        place.setX(std::max(place.x(), screen.left()));
        place.setY(std::max(place.y(), screen.top()));
    }
    move(place);
}

void CSpatOutsDlg::reject() {
    // Esc closes the window for good, as its close box does.
    close();
}

void CSpatOutsDlg::closeEvent(QCloseEvent* event) {
    // Not the dialog's own handling, which would only hide the window: closing is for good.
    event->accept();
}
