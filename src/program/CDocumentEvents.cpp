#include "program/CDocumentEvents.h"

#include "model/CControllerDoc.h"
#include "program/CDocumentGuard.h"

CDocumentEvents::CDocumentEvents(CControllerDoc& doc, CDocumentGuard& guard, QObject* parent)
    : QObject(parent), m_doc(doc), m_guard(guard) {
    m_subscription =
        m_doc.Subscribe([this](const DocumentChanges& changes) { OnChanges(changes); });
    m_dirty = m_guard.IsModified(m_doc);
}

CDocumentEvents::~CDocumentEvents() {
    m_doc.Unsubscribe(m_subscription);
}

void CDocumentEvents::OnChanges(const DocumentChanges& changes) {
    if (changes.origin == ChangeOrigin::Device) {
        // A renumbered device list keeps the same device: nothing the operator would save.
        m_guard.KeepAsSaved(changes);
    }
    emit changed(changes);
    if (!m_settlePending) {
        m_settlePending = true;
        QMetaObject::invokeMethod(this, &CDocumentEvents::Settle, Qt::QueuedConnection);
    }
}

void CDocumentEvents::Settle() {
    m_settlePending = false;
    Recheck();
    emit settled();
}

void CDocumentEvents::Recheck() {
    const bool dirty = m_guard.IsModified(m_doc);
    if (dirty != m_dirty) {
        m_dirty = dirty;
        emit dirtyChanged(dirty);
    }
}
