#include "program/CCueEngine.h"

#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "program/CProcessorLink.h"
#include "program/CUndoHistory.h"

#include <QTimer>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <utility>

namespace {

QString CueText(const Cue& cue) {
    return QString::number(cue.number);
}

} // namespace

// An edit of the list: the list before and after it.
class CCueEngine::ListStep : public QUndoCommand {
public:
    ListStep(CCueEngine& engine, const QString& text, std::vector<Cue> before)
        : QUndoCommand(text), m_engine(engine), m_before(std::move(before)),
          m_after(engine.Cues()) {}
    void undo() override { m_engine.SetList(m_before, true); }
    void redo() override {
        if (!std::exchange(m_first, false)) {
            m_engine.SetList(m_after, true);
        }
    }

private:
    CCueEngine& m_engine;
    std::vector<Cue> m_before;
    std::vector<Cue> m_after;
    bool m_first = true;
};

CCueEngine::CCueEngine(CControllerDoc& doc, CProcessorLink& link, CUndoHistory& history,
                       std::function<Clock::time_point()> now, QObject* parent)
    : QObject(parent), m_doc(doc), m_link(link), m_history(history), m_now(std::move(now)),
      m_timer(new QTimer(this)) {
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(kStepMs);
    connect(m_timer, &QTimer::timeout, this, &CCueEngine::OnStep);
}

CCueEngine::~CCueEngine() = default;

void CCueEngine::SetList(std::vector<Cue> cues, bool modified) {
    m_list.Assign(std::move(cues));
    if (m_live && *m_live >= m_list.Size()) {
        m_live.reset();
    }
    m_modified = modified;
    emit listChanged();
    emit stateChanged();
}

void CCueEngine::Commit(const QString& text, std::vector<Cue> before) {
    if (m_live && *m_live >= m_list.Size()) {
        m_live.reset();
    }
    m_history.Stack().push(new ListStep(*this, text, std::move(before)));
    m_modified = true;
    emit listChanged();
    emit stateChanged();
}

std::optional<std::size_t> CCueEngine::Record(std::ptrdiff_t after, std::bitset<8> channels,
                                              std::bitset<Cue::kGroups> groups, int fadeTenths,
                                              CuePath path, std::string name) {
    std::vector<Cue> before = m_list.Cues();
    const auto index =
        m_list.Record(m_doc, after, channels, groups, std::move(name), fadeTenths, path);
    if (index) {
        Commit(QStringLiteral("Record Cue %1").arg(CueText(Cues()[*index])), std::move(before));
    }
    return index;
}

bool CCueEngine::Update(std::size_t index) {
    std::vector<Cue> before = m_list.Cues();
    if (!m_list.Update(index, m_doc)) {
        return false;
    }
    Commit(QStringLiteral("Update Cue %1").arg(CueText(Cues()[index])), std::move(before));
    return true;
}

bool CCueEngine::Delete(std::size_t index) {
    if (index >= m_list.Size()) {
        return false;
    }
    std::vector<Cue> before = m_list.Cues();
    const QString text = QStringLiteral("Delete Cue %1").arg(CueText(Cues()[index]));
    m_list.Delete(index);
    Commit(text, std::move(before));
    return true;
}

bool CCueEngine::MoveUp(std::size_t index) {
    std::vector<Cue> before = m_list.Cues();
    if (!m_list.MoveUp(index)) {
        return false;
    }
    Commit(QStringLiteral("Move Cue"), std::move(before));
    return true;
}

bool CCueEngine::MoveDown(std::size_t index) {
    std::vector<Cue> before = m_list.Cues();
    if (!m_list.MoveDown(index)) {
        return false;
    }
    Commit(QStringLiteral("Move Cue"), std::move(before));
    return true;
}

bool CCueEngine::Edit(std::size_t index, const Cue& changed) {
    if (index >= m_list.Size()) {
        return false;
    }
    std::vector<Cue> before = m_list.Cues();
    std::vector<Cue> after = before;
    Cue& cue = after[index];
    cue.name = changed.name;
    cue.fadeTenths = ClampFadeTenths(changed.fadeTenths);
    cue.path = changed.path;
    cue.channels = changed.channels;
    cue.groups = changed.groups;
    m_list.Assign(std::move(after));
    Commit(QStringLiteral("Edit Cue %1").arg(CueText(Cues()[index])), std::move(before));
    return true;
}

std::optional<std::size_t> CCueEngine::StandbyIndex() const {
    const std::size_t next = m_live ? *m_live + 1 : 0;
    return next < m_list.Size() ? std::optional(next) : std::nullopt;
}

bool CCueEngine::Fire(std::size_t index) {
    if (index >= m_list.Size()) {
        return false;
    }
    EndFire(); // a running fade stops where it stands and is a step of its own
    const Cue& cue = Cues()[index];
    CueFade::Values from;
    for (const auto& [key, value] : cue.values) {
        from.emplace_back(key, m_doc.Get(key));
    }
    m_beforeFire = from;
    m_fireText = QStringLiteral("Cue %1").arg(CueText(cue));
    m_fireStart = m_now();
    m_fireLength = std::chrono::milliseconds(100LL * cue.fadeTenths);
    m_live = index;
    m_fade.Start(cue, from, m_fireStart);
    const CueFade::Values first = m_fade.ValuesAt(m_fireStart);
    if (cue.fadeTenths == 0) {
        // A cut goes out whole and in order, as the Send buttons send.
        m_doc.Apply(first, ChangeOrigin::Cue);
        static_cast<void>(m_link.SendValues(first));
        SendRoutes(first);
    } else {
        ApplyStep(first);
    }
    if (m_fade.Done()) {
        EndFire();
    } else {
        m_timer->start();
    }
    emit stateChanged();
    emit progressed(Progress());
    return true;
}

bool CCueEngine::Go() {
    const auto next = StandbyIndex();
    return next && Fire(*next);
}

bool CCueEngine::Back() {
    return m_live && *m_live > 0 && Fire(*m_live - 1);
}

void CCueEngine::Stop() {
    if (!Running()) {
        return;
    }
    EndFire();
    emit stateChanged();
}

double CCueEngine::Progress() const {
    if (!Running() || m_fireLength.count() <= 0) {
        return 1.0;
    }
    const double done = std::chrono::duration<double>(m_now() - m_fireStart) /
                        std::chrono::duration<double>(m_fireLength);
    return std::clamp(done, 0.0, 1.0);
}

void CCueEngine::ApplyStep(const CueFade::Values& values) {
    if (values.empty()) {
        return;
    }
    m_doc.Apply(values, ChangeOrigin::Cue);
    // Each controller's latest value waits in the link; one the processor has is not sent again.
    for (const auto& [key, value] : values) {
        m_link.Post(key, value, CProcessorLink::Repeat::Skip);
    }
    SendRoutes(values);
}

void CCueEngine::SendRoutes(const CueFade::Values& values) {
    // Routes travel only in the patchbay's section; they switch at a fade's start.
    const bool routes = std::any_of(values.begin(), values.end(), [](const auto& value) {
        return GroupOf(value.first) == ParameterGroup::Patchbay;
    });
    if (routes) {
        static_cast<void>(m_link.SendSection(CProcessorLink::Section::Patchbay));
    }
}

void CCueEngine::OnStep() {
    ApplyStep(m_fade.ValuesAt(m_now()));
    emit progressed(Progress());
    if (m_fade.Done()) {
        EndFire();
        emit stateChanged();
    }
}

void CCueEngine::EndFire() {
    m_timer->stop();
    if (Running()) {
        ApplyStep(m_fade.Stop(m_now()));
    }
    if (m_beforeFire.empty()) {
        return;
    }
    std::vector<ValueChange> changes;
    for (const auto& [key, value] : m_beforeFire) {
        changes.push_back({key, value, m_doc.Get(key)});
    }
    m_beforeFire.clear();
    m_history.PushStep(m_fireText, std::move(changes));
}

Show CCueEngine::CurrentShow() const {
    Show show;
    show.cues = Cues();
    show.unknownKeys = m_unknownKeys;
    show.unknownCueKeys = m_unknownCueKeys;
    return show;
}

ShowRead CCueEngine::Open(const std::string& path) {
    ShowRead read = ReadShowFile(path);
    if (!read.file) {
        return read;
    }
    EndFire();
    m_unknownKeys = read.show.unknownKeys;
    m_unknownCueKeys = read.show.unknownCueKeys;
    m_fileName = path;
    m_live.reset();
    SetList(read.show.cues, false);
    return read;
}

FileResult CCueEngine::Save(const std::string& path) {
    const FileResult written = WriteShowFile(CurrentShow(), path);
    if (written) {
        m_fileName = path;
        m_modified = false;
        emit listChanged();
    }
    return written;
}

std::string CCueEngine::Text() const {
    return ShowFileText(CurrentShow());
}

void CCueEngine::Restore(const Show& show, bool modified, std::string fileName) {
    EndFire();
    m_fileName = std::move(fileName);
    m_unknownKeys = show.unknownKeys;
    m_unknownCueKeys = show.unknownCueKeys;
    m_live.reset();
    SetList(show.cues, modified);
}
