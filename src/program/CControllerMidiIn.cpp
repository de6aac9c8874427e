#include "program/CControllerMidiIn.h"

#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"

int CControllerMidiIn::OnEvent(const PortEvent& event) {
    CControllerDoc* document = m_documentSource ? m_documentSource() : nullptr;
    if (!document) {
        return 1;
    }
    // Windows follow the document's notices, so a received value reaches the controls
    // like any other change.
    if (const auto received = ReceivedControlChange(event.status, event.data1, event.data2)) {
        document->Set(received->key, received->value, ChangeOrigin::Live);
    }
    return 1;
}
