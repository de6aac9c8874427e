#include "model/CControllerDoc.h"

#include <utility>

CControllerDoc::CControllerDoc() {
    ResetToDefaults();
}

CControllerDoc::~CControllerDoc() = default;

bool CControllerDoc::NewDocument() {
    const ChangeScope reset(*this, ChangeOrigin::Load);
    SetName(kNewDocument);
    ResetToDefaults();
    return true;
}

void CControllerDoc::SetName(std::string name) {
    if (name == m_name) {
        return;
    }
    m_name = std::move(name);
    if (m_scopeDepth == 0) {
        // Who renames is opening or saving a file, whatever the values do.
        Notify({ChangeOrigin::Load, {}, true});
    }
}

CControllerDoc::ChangeScope::ChangeScope(CControllerDoc& doc, ChangeOrigin origin) : m_doc(doc) {
    if (m_doc.m_scopeDepth++ == 0) {
        m_doc.m_scopeOrigin = origin;
        m_doc.m_beforeScope = m_doc.Values();
        m_doc.m_nameBeforeScope = m_doc.m_name;
    }
}

int CControllerDoc::Subscribe(DocumentListener listener) {
    m_listeners.emplace_back(m_nextListenerId, std::move(listener));
    return m_nextListenerId++;
}

void CControllerDoc::Unsubscribe(int id) {
    std::erase_if(m_listeners, [id](const auto& entry) { return entry.first == id; });
}

void CControllerDoc::Notify(DocumentChanges changes) {
    if (changes.values.empty() && !changes.renamed) {
        return;
    }
    // A copy: a listener may subscribe or unsubscribe while being told.
    const auto listeners = m_listeners;
    for (const auto& [id, listener] : listeners) {
        listener(changes);
    }
}
