// Undo and redo for what a person changes. Each gesture is one step: a drag from press to
// release, a click, a key or wheel press (presses on one control in quick succession merge),
// or a named command such as Import that replaces the whole document. The controls say where
// a drag begins and ends (the windows connect them here); any other change is a whole
// gesture by itself, closed when its control reports its end or, at the latest, when the
// event loop's pass ends. Undo and redo put the values back through the document, which
// tells the windows and the processor link. What the tracker, incoming MIDI or the network
// change never enters the history, not even in the middle of a drag, and a document opened
// from a file starts a new one. Nothing here runs while nothing changes.
#pragma once

#include "model/DocumentChange.h"

#include <QObject>
#include <QString>

#include <map>

class CControllerDoc;
enum class ParameterGroup;
class QUndoStack;

class CUndoHistory : public QObject {
    Q_OBJECT

public:
    static constexpr int kStepLimit = 10000;
    // Key and wheel presses on one control this close together are one step.
    static constexpr qint64 kMergeMs = 1000;

    // Listens to `doc`, which must outlive this object.
    explicit CUndoHistory(CControllerDoc& doc, QObject* parent = nullptr);
    ~CUndoHistory() override;

    QUndoStack& Stack() const { return *m_stack; }
    void Clear();
    // A gesture whose end has not been seen yet becomes its step now (before an undo), unless
    // a drag goes on.
    void Settle();

    // A drag began: what changes until it ends is one step, never merged with the next.
    // Beginning again while one goes on changes nothing.
    void BeginGesture();
    // The gesture ended: what it changed becomes a step now. Without a drag begun it was a
    // whole gesture by itself (a key, a wheel notch, a click), which quick ones merge with.
    void EndGesture();

    // Everything that changes while one is open, loads included, is one step called `text`.
    class NamedStep {
    public:
        NamedStep(CUndoHistory& history, const QString& text);
        ~NamedStep();
        NamedStep(const NamedStep&) = delete;
        NamedStep& operator=(const NamedStep&) = delete;

    private:
        CUndoHistory& m_history;
    };

    // What a step of these changes is called: "LPF Cutoff, Ch. 1", "Source Position, Ch. 3".
    static QString StepText(const std::vector<ValueChange>& values);
    // What a value is called, without its channel: "LPF Cutoff".
    static QString ParameterName(ParameterKey key);
    // What a step of a group's values on one channel is called: "Source Position, Ch. 3".
    static QString GroupStepText(ParameterGroup group, int channel);

    // A step made elsewhere (a cue's fire): `values` from their old to their new values,
    // already in the document; never merged.
    void PushStep(const QString& text, std::vector<ValueChange> values);
    // Puts values back with the history's own origin; the commands call it.
    void Restore(const std::vector<ValueChange>& values, bool forward);

private:
    struct Open {
        std::map<std::size_t, ValueChange> values; // by place in the document's values
        QString text;                              // empty: named from its values
    };

    void OnChanges(const DocumentChanges& changes);
    void Collect(Open& step, const DocumentChanges& changes);
    void CloseSoon();
    void Push(Open& step, bool mergeable);

    CControllerDoc& m_doc;
    QUndoStack* m_stack;
    int m_subscription = 0;
    Open m_gesture;
    Open m_named;
    int m_namedDepth = 0;
    bool m_dragOpen = false;
    bool m_closeQueued = false;
};
