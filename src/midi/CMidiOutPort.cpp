#include "CMidiOutPort.h"

#include <cstring>

namespace {

void CopyDescription(char (&target)[32], const std::optional<std::string>& name) {
    const std::string text = name ? CutDeviceName(*name) : std::string();
    std::memset(target, 0, sizeof target);
    std::memcpy(target, text.data(), std::min(text.size(), sizeof target - 1));
}

} // namespace

CMidiOutPort::~CMidiOutPort() {
    Close();
}

bool CMidiOutPort::Open(int device, std::uint32_t option) {
    MidiBackend& backend = MidiBackend::Current();
    CopyDescription(m_description, backend.OutputName(device));
    if (!m_open) {
        m_option = option;
        m_device = static_cast<std::int16_t>(device);
        m_handle = backend.OpenOutput(device, option);
        if (m_handle > MidiBackend::kFailureLimit) {
            m_open = true;
        } else {
            m_handle = 0;
        }
    }
    return m_open;
}

void CMidiOutPort::Close() {
    if (m_open) {
        MidiBackend& backend = MidiBackend::Current();
        backend.ResetOutput(m_handle);
        backend.CloseOutput(m_handle);
    }
    m_open = false;
}

void CMidiOutPort::Reset() {
    if (m_open) {
        MidiBackend::Current().ResetOutput(m_handle);
    }
}

bool CMidiOutPort::Put(const PortEvent& event) {
    if (!m_open) {
        return true;
    }
    return MidiBackend::Current().PutOutput(m_handle, event) == 0;
}
