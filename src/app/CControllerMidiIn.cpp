#include "app/CControllerMidiIn.h"

#include "model/CControllerDoc.h"

int CControllerMidiIn::OnEvent(const PortEvent& event) {
    CControllerDoc* document = m_documentSource ? m_documentSource() : nullptr;
    if (document) {
        document->ApplyIncomingEvent(event);
    }
    return 1;
}
