#include "settings/CRoomDlg.h"

#include "controls/RepaintPacer.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "program/CControllerApp.h"
#include "program/CCueEngine.h"
#include "program/CDocumentEvents.h"
#include "program/CLiveInput.h"
#include "program/CProcessorLink.h"
#include "program/CUndoHistory.h"
#include "settings/CRoomPlan.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

QString CueTitle(const std::vector<Cue>& cues, std::optional<std::size_t> index) {
    if (!index || *index >= cues.size()) {
        return QStringLiteral("none");
    }
    const Cue& cue = cues[*index];
    const QString number = QString::number(cue.number, 'g', 10);
    return cue.name.empty() ? number : number + QLatin1Char(' ') + QString::fromStdString(cue.name);
}

} // namespace

CRoomDlg::CRoomDlg(CControllerApp& program, QWidget& mainWindow)
    : QDialog(&mainWindow), m_program(program) {
    setObjectName(QStringLiteral("CRoomDlg"));
    setWindowTitle(QStringLiteral("Room"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);

    m_plan = new CRoomPlan(this);
    layout->addWidget(m_plan, 1);

    m_position = new QLabel(this);
    m_position->setObjectName(QStringLiteral("SourcePosition"));
    m_position->setAccessibleName(QStringLiteral("Selected source"));
    layout->addWidget(m_position);

    auto* cueRow = new QHBoxLayout;
    m_cueLine = new QLabel(this);
    m_cueLine->setObjectName(QStringLiteral("CueLine"));
    m_cueLine->setAccessibleName(QStringLiteral("Live and next cues"));
    cueRow->addWidget(m_cueLine, 1);
    m_go = new QPushButton(QStringLiteral("GO"), this);
    m_go->setObjectName(QStringLiteral("GoButton"));
    m_go->setAccessibleName(QStringLiteral("GO"));
    m_go->setAccessibleDescription(QStringLiteral("Fires the next cue"));
    // Keys belong to the plan: a digit or Return must never fire a cue.
    m_go->setAutoDefault(false);
    m_go->setFocusPolicy(Qt::NoFocus);
    QFont bold = m_go->font();
    bold.setBold(true);
    m_go->setFont(bold);
    cueRow->addWidget(m_go);
    layout->addLayout(cueRow);

    connect(m_plan, &CRoomPlan::selectedChanged, this, &CRoomDlg::ShowPosition);
    connect(m_plan, &CRoomPlan::sourceDragged, this, &CRoomDlg::Move);
    connect(m_plan, &CRoomPlan::sourceStepped, this, &CRoomDlg::StepSource);
    CUndoHistory* history = &m_program.History();
    connect(m_plan, &CRoomPlan::dragStarted, history, &CUndoHistory::BeginGesture);
    connect(m_plan, &CRoomPlan::dragEnded, history, &CUndoHistory::EndGesture);

    const CDocumentEvents& events = m_program.Events();
    connect(&events, &CDocumentEvents::changed, this, [this](const DocumentChanges& changes) {
        m_pictureStale = m_pictureStale || PictureChangeOf(changes).Any();
    });
    connect(&events, &CDocumentEvents::settled, this, [this] {
        if (std::exchange(m_pictureStale, false)) {
            ShowPicture();
        }
    });
    connect(&events, &CDocumentEvents::displayModeChanged, this, &CRoomDlg::ShowPicture);

    CCueEngine& cues = m_program.Cues();
    connect(&cues, &CCueEngine::stateChanged, this, &CRoomDlg::ShowCues);
    connect(&cues, &CCueEngine::listChanged, this, &CRoomDlg::ShowCues);
    connect(m_go, &QPushButton::clicked, &cues, &CCueEngine::Go);

    // Positions from the network come hundreds a second; the screen shows sixty.
    new RepaintPacer(*this);
    ShowPicture();
    ShowCues();
    m_plan->setFocus();
}

void CRoomDlg::ShowPicture() {
    m_plan->SetPicture(PictureOf(m_program.Doc()));
    ShowPosition();
}

void CRoomDlg::ShowPosition() {
    const int c = m_plan->Selected();
    const RoomSource& source = m_plan->Picture().sources[static_cast<std::size_t>(c)];
    m_position->setText(QStringLiteral("Source %1: %2")
                            .arg(c + 1)
                            .arg(QString::fromStdString(source.positionText)));
}

void CRoomDlg::ShowCues() {
    const CCueEngine& engine = m_program.Cues();
    const std::vector<Cue>& cues = engine.Cues();
    const std::optional<std::size_t> next = engine.StandbyIndex();
    m_cueLine->setText(QStringLiteral("Live: %1   Next: %2")
                           .arg(CueTitle(cues, engine.LiveIndex()), CueTitle(cues, next)));
    m_go->setEnabled(next && *next < cues.size());
}

void CRoomDlg::Move(int channel, RoomPoint position) {
    CLiveInput(m_program.Doc(), m_program.Link())
        .MoveSource(channel, {position.x, position.y, position.z}, CProcessorLink::Repeat::Skip,
                    ChangeOrigin::Gesture);
}

void CRoomDlg::StepSource(int channel, int dx, int dy, int dz) {
    const CControllerDoc& doc = m_program.Doc();
    const auto c = static_cast<std::size_t>(channel);
    // Each press is a step of its own, as each drag is.
    const CUndoHistory::NamedStep step(
        m_program.History(), CUndoHistory::GroupStepText(ParameterGroup::SourcePosition, channel));
    Move(channel, {doc.XPosition[c] + dx, doc.YPosition[c] + dy, doc.ZPosition[c] + dz});
}
