#include "program/CUndoHistory.h"

#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"

#include <QDateTime>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

constexpr int kMergeId = 1;

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString ChannelText(int channel) {
    return QStringLiteral(", Ch. %1").arg(channel + 1);
}

bool SameKeys(const std::vector<ValueChange>& a, const std::vector<ValueChange>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const ValueChange& x, const ValueChange& y) { return x.key == y.key; });
}

class ValuesStep : public QUndoCommand {
public:
    ValuesStep(CUndoHistory& history, const QString& text, std::vector<ValueChange> values,
               bool mergeable)
        : QUndoCommand(text), m_history(history), m_values(std::move(values)),
          m_mergeable(mergeable), m_time(QDateTime::currentMSecsSinceEpoch()) {}

    void undo() override { m_history.Restore(m_values, false); }
    void redo() override {
        // Pushed after the change was made: the first redo has nothing to do.
        if (std::exchange(m_done, false)) {
            return;
        }
        m_history.Restore(m_values, true);
    }
    int id() const override { return m_mergeable ? kMergeId : -1; }
    bool mergeWith(const QUndoCommand* command) override {
        const auto* next = static_cast<const ValuesStep*>(command);
        if (!next->m_mergeable || next->m_time - m_time > CUndoHistory::kMergeMs ||
            !SameKeys(m_values, next->m_values)) {
            return false;
        }
        for (std::size_t i = 0; i < m_values.size(); ++i) {
            m_values[i].newValue = next->m_values[i].newValue;
        }
        m_time = next->m_time;
        // Up and back down is no step at all.
        setObsolete(std::all_of(m_values.begin(), m_values.end(),
                                [](const ValueChange& v) { return v.oldValue == v.newValue; }));
        return true;
    }

private:
    CUndoHistory& m_history;
    std::vector<ValueChange> m_values;
    bool m_mergeable;
    qint64 m_time;
    bool m_done = true;
};

} // namespace

CUndoHistory::CUndoHistory(CControllerDoc& doc, QObject* parent)
    : QObject(parent), m_doc(doc), m_stack(new QUndoStack(this)) {
    m_stack->setUndoLimit(kStepLimit);
    m_subscription =
        m_doc.Subscribe([this](const DocumentChanges& changes) { OnChanges(changes); });
}

CUndoHistory::~CUndoHistory() {
    m_doc.Unsubscribe(m_subscription);
}

void CUndoHistory::Clear() {
    m_gesture = {};
    m_dragOpen = false;
    m_stack->clear();
}

QString CUndoHistory::ParameterName(ParameterKey key) {
    // The patchbay's routings are edited together in one window: a step of them is the
    // patchbay's, whichever it touched.
    const ParameterGroup group = GroupOf(key);
    return Text(group == ParameterGroup::Patchbay ? GroupName(group) : ShownName(key));
}

QString CUndoHistory::GroupStepText(ParameterGroup group, int channel) {
    return Text(GroupName(group)) + ChannelText(channel);
}

QString CUndoHistory::StepText(const std::vector<ValueChange>& values) {
    if (values.empty()) {
        return {};
    }
    const ParameterKey first = values.front().key;
    const auto all = [&values](auto&& test) {
        return std::all_of(values.begin(), values.end(),
                           [&test](const ValueChange& v) { return test(v.key); });
    };
    const bool oneChannel = all([first](ParameterKey k) { return k.channel == first.channel; });
    const QString channel = first.IsGlobal() ? QString() : ChannelText(first.channel);
    const ParameterGroup group = GroupOf(first);
    const bool oneGroup = all([group](ParameterKey k) { return GroupOf(k) == group; });
    if (group == ParameterGroup::Patchbay && oneGroup) {
        return ParameterName(first);
    }
    if (all([first](ParameterKey k) { return k == first; })) {
        return ParameterName(first) + channel;
    }
    // A position moves along its axes together; other values changed together are no
    // one thing.
    if (oneGroup &&
        (group == ParameterGroup::SourcePosition || group == ParameterGroup::SpeakerPosition)) {
        return oneChannel ? Text(GroupName(group)) + channel
                          : Text(GroupName(group)) + QStringLiteral("s");
    }
    return QStringLiteral("Changes");
}

void CUndoHistory::Restore(const std::vector<ValueChange>& values, bool forward) {
    std::vector<std::pair<ParameterKey, int>> put;
    put.reserve(values.size());
    for (const ValueChange& v : values) {
        put.emplace_back(v.key, forward ? v.newValue : v.oldValue);
    }
    m_doc.Apply(put, ChangeOrigin::Undo);
}

void CUndoHistory::Collect(Open& step, const DocumentChanges& changes) {
    for (const ValueChange& change : changes.values) {
        const auto [it, added] = step.values.try_emplace(ValueIndex(change.key), change);
        if (!added) {
            it->second.newValue = change.newValue; // the first old value stays
        }
    }
}

void CUndoHistory::OnChanges(const DocumentChanges& changes) {
    if (changes.values.empty()) {
        return; // a rename alone: nothing to undo, and no file's values to start over from
    }
    if (m_namedDepth > 0 &&
        (changes.origin == ChangeOrigin::Gesture || changes.origin == ChangeOrigin::Load)) {
        Collect(m_named, changes);
        return;
    }
    switch (changes.origin) {
    case ChangeOrigin::Load:
        Clear(); // a document opened from a file: its history starts here
        return;
    case ChangeOrigin::Gesture:
        break;
    default:
        return; // the history's own, live values and renumbered devices are no steps
    }
    const ParameterKey outputDevice = KeyOf(&CControllerDoc::outMIDIPort);
    DocumentChanges kept{changes.origin, {}};
    for (const ValueChange& change : changes.values) {
        if (!(change.key == outputDevice)) { // where to send is no part of the setup
            kept.values.push_back(change);
        }
    }
    Collect(m_gesture, kept);
    // A drag's step closes at its end; anything else, once this pass is over, whether or not
    // its control reports an end.
    CloseSoon();
}

void CUndoHistory::BeginGesture() {
    m_dragOpen = true;
}

void CUndoHistory::EndGesture() {
    const bool dragged = std::exchange(m_dragOpen, false);
    Push(m_gesture, !dragged);
}

void CUndoHistory::CloseSoon() {
    if (m_closeQueued) {
        return;
    }
    m_closeQueued = true;
    QMetaObject::invokeMethod(this, &CUndoHistory::Settle, Qt::QueuedConnection);
}

void CUndoHistory::Settle() {
    m_closeQueued = false;
    if (m_dragOpen) {
        return; // a drag goes on
    }
    Push(m_gesture, true);
}

void CUndoHistory::Push(Open& step, bool mergeable) {
    std::vector<ValueChange> values;
    for (const auto& [index, change] : step.values) {
        if (change.oldValue != change.newValue) {
            values.push_back(change);
        }
    }
    const QString text = step.text.isEmpty() ? StepText(values) : step.text;
    step = {};
    if (!values.empty()) {
        m_stack->push(new ValuesStep(*this, text, std::move(values), mergeable));
    }
}

void CUndoHistory::PushStep(const QString& text, std::vector<ValueChange> values) {
    m_stack->push(new ValuesStep(*this, text, std::move(values), false));
}

CUndoHistory::NamedStep::NamedStep(CUndoHistory& history, const QString& text)
    : m_history(history) {
    if (m_history.m_namedDepth++ == 0) {
        m_history.Settle(); // what was made before is a step of its own
        m_history.m_named.text = text;
    }
}

CUndoHistory::NamedStep::~NamedStep() {
    if (--m_history.m_namedDepth == 0) {
        m_history.Push(m_history.m_named, false);
    }
}
