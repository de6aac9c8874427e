#include "CMidiOutPort.h"

CMidiOutPort::~CMidiOutPort() {
    Close();
}

bool CMidiOutPort::Open(int device, std::uint32_t option) {
    MidiBackend& backend = MidiBackend::Current();
    return m_port.Open(device, option, backend.OutputName(device),
                       [&backend](int n, std::uint32_t o) { return backend.OpenOutput(n, o); });
}

void CMidiOutPort::Close() {
    if (m_port.open) {
        MidiBackend& backend = MidiBackend::Current();
        backend.ResetOutput(m_port.handle);
        backend.CloseOutput(m_port.handle);
    }
    m_port.open = false;
}

void CMidiOutPort::Reset() {
    if (m_port.open) {
        MidiBackend::Current().ResetOutput(m_port.handle);
    }
}

bool CMidiOutPort::Put(const PortEvent& event) {
    if (!m_port.open) {
        return true;
    }
    return MidiBackend::Current().PutOutput(m_port.handle, event) == 0;
}
