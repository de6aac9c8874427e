// The document's change notices on the Qt side. changed() follows each change as it
// happens; settled() comes once per pass of the event loop after one or more changes, so
// that work which only needs the end state (the unsaved-changes mark, a journal) runs once
// for a drag's hundred positions. Nothing here runs while nothing changes.
#pragma once

#include "model/DocumentChange.h"

#include <QObject>

class CControllerDoc;
class CDocumentGuard;

class CDocumentEvents : public QObject {
    Q_OBJECT

public:
    // Listens to `doc` until destroyed; both must outlive this object.
    CDocumentEvents(CControllerDoc& doc, CDocumentGuard& guard, QObject* parent = nullptr);
    ~CDocumentEvents() override;

    // The unsaved-changes mark: the values differ from what was last opened or saved.
    bool IsDirty() const { return m_dirty; }
    // Recomputes the mark after the guard's saved state moved (a save, a load, New);
    // dirtyChanged tells it only when it flips.
    void Recheck();
    // The display mode (numbers or units) flipped: every window rewrites its value texts.
    void TellDisplayModeChanged() { emit displayModeChanged(); }

signals:
    void changed(const DocumentChanges& changes);
    void settled();
    void dirtyChanged(bool dirty);
    void displayModeChanged();

private:
    void OnChanges(const DocumentChanges& changes);
    void Settle();

    CControllerDoc& m_doc;
    CDocumentGuard& m_guard;
    int m_subscription = 0;
    bool m_dirty = false;
    bool m_settlePending = false;
};
