#include "midi/CMidiOutPort.h"

CMidiOutPort::~CMidiOutPort() {
    Close();
}

MidiResult CMidiOutPort::Open(int device, std::uint32_t option) {
    return m_port.Open(device, option, m_backend.OutputName(device),
                       [this](int n, std::uint32_t o) { return m_backend.OpenOutput(n, o); });
}

void CMidiOutPort::Close() {
    if (m_port.open) {
        m_backend.ResetOutput(m_port.handle);
        m_backend.CloseOutput(m_port.handle);
    }
    m_port.open = false;
}

void CMidiOutPort::Reset() {
    if (m_port.open) {
        m_backend.ResetOutput(m_port.handle);
    }
}

MidiResult CMidiOutPort::Put(const PortEvent& event) {
    if (!m_port.open) {
        return MidiFailure::NoDevice;
    }
    if (m_backend.PutOutput(m_port.handle, event) != 0) {
        return MidiFailure::SendFailed;
    }
    return {};
}
