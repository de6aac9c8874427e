#include "support/MemoryMidiBackend.h"

void MemoryMidiBackend::AddOutputDevice(std::optional<std::string> name, bool opens) {
    std::lock_guard lock(m_mutex);
    m_outputs.push_back({std::move(name), opens, true, {}});
}

void MemoryMidiBackend::AddInputDevice(std::optional<std::string> name, bool opens) {
    std::lock_guard lock(m_mutex);
    m_inputs.push_back({std::move(name), opens, true, {}});
}

std::vector<MemoryMidiBackend::Message> MemoryMidiBackend::SentTo(int device) const {
    std::lock_guard lock(m_mutex);
    if (device < 0 || device >= static_cast<int>(m_outputs.size())) {
        return {};
    }
    return m_outputs[static_cast<std::size_t>(device)].sent;
}

std::vector<PortEvent> MemoryMidiBackend::PutEvents() const {
    std::lock_guard lock(m_mutex);
    return m_putEvents;
}

std::vector<std::string> MemoryMidiBackend::Calls() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

void MemoryMidiBackend::ClearRecords() {
    std::lock_guard lock(m_mutex);
    m_putEvents.clear();
    m_calls.clear();
    for (Device& device : m_outputs) {
        device.sent.clear();
    }
}

void MemoryMidiBackend::UnplugOutput(int device) {
    std::lock_guard lock(m_mutex);
    if (device >= 0 && device < static_cast<int>(m_outputs.size())) {
        m_outputs[static_cast<std::size_t>(device)].present = false;
    }
}

void MemoryMidiBackend::Inject(int device, const PortEvent& event) {
    std::vector<MidiInputNotify*> toNotify;
    {
        std::lock_guard lock(m_mutex);
        for (auto& [handle, input] : m_openInputs) {
            if (input.device == device && input.started) {
                input.waiting.push_back(event);
                if (input.notify) {
                    toNotify.push_back(input.notify);
                }
            }
        }
    }
    for (MidiInputNotify* notify : toNotify) {
        notify->InputWaiting();
    }
}

void MemoryMidiBackend::Record(std::string call) {
    m_calls.push_back(std::move(call));
}

int MemoryMidiBackend::OutputCount() {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_outputs.size());
}

int MemoryMidiBackend::InputCount() {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_inputs.size());
}

std::optional<std::string> MemoryMidiBackend::OutputName(int device) {
    std::lock_guard lock(m_mutex);
    if (device < 0 || device >= static_cast<int>(m_outputs.size()) ||
        !m_outputs[static_cast<std::size_t>(device)].name) {
        return std::nullopt;
    }
    return CutDeviceName(*m_outputs[static_cast<std::size_t>(device)].name);
}

std::optional<std::string> MemoryMidiBackend::InputName(int device) {
    std::lock_guard lock(m_mutex);
    if (device < 0 || device >= static_cast<int>(m_inputs.size()) ||
        !m_inputs[static_cast<std::size_t>(device)].name) {
        return std::nullopt;
    }
    return CutDeviceName(*m_inputs[static_cast<std::size_t>(device)].name);
}

MidiBackend::Handle MemoryMidiBackend::OpenOutput(int device, std::uint32_t) {
    std::lock_guard lock(m_mutex);
    Record("open-out " + std::to_string(device));
    if (device < 0 || device >= static_cast<int>(m_outputs.size()) ||
        !m_outputs[static_cast<std::size_t>(device)].opens) {
        return 0;
    }
    const Handle handle = m_nextHandle++;
    m_openOutputs[handle].device = device;
    return handle;
}

int MemoryMidiBackend::PutOutput(Handle handle, const PortEvent& event) {
    std::lock_guard lock(m_mutex);
    m_putEvents.push_back(event);
    auto it = m_openOutputs.find(handle);
    if (it == m_openOutputs.end()) {
        return 1;
    }
    Device& device = m_outputs[static_cast<std::size_t>(it->second.device)];
    if (!device.present) {
        return 1;
    }
    Message message;
    if (it->second.encoder.Encode(event, message)) {
        device.sent.push_back(std::move(message));
    }
    return 0;
}

void MemoryMidiBackend::ResetOutput(Handle handle) {
    std::lock_guard lock(m_mutex);
    auto it = m_openOutputs.find(handle);
    if (it != m_openOutputs.end()) {
        Record("reset-out " + std::to_string(it->second.device));
        it->second.encoder.Reset();
    }
}

void MemoryMidiBackend::CloseOutput(Handle handle) {
    std::lock_guard lock(m_mutex);
    auto it = m_openOutputs.find(handle);
    if (it != m_openOutputs.end()) {
        Record("close-out " + std::to_string(it->second.device));
        m_openOutputs.erase(it);
    }
}

MidiBackend::Handle MemoryMidiBackend::OpenInput(int device, MidiInputNotify* notify,
                                                 std::uint32_t) {
    std::lock_guard lock(m_mutex);
    Record("open-in " + std::to_string(device));
    if (device < 0 || device >= static_cast<int>(m_inputs.size()) ||
        !m_inputs[static_cast<std::size_t>(device)].opens) {
        return 0;
    }
    const Handle handle = m_nextHandle++;
    Input& input = m_openInputs[handle];
    input.device = device;
    input.notify = notify;
    return handle;
}

void MemoryMidiBackend::StartInput(Handle handle) {
    std::lock_guard lock(m_mutex);
    auto it = m_openInputs.find(handle);
    if (it != m_openInputs.end()) {
        Record("start-in " + std::to_string(it->second.device));
        it->second.started = true;
    }
}

void MemoryMidiBackend::StopInput(Handle handle) {
    std::lock_guard lock(m_mutex);
    auto it = m_openInputs.find(handle);
    if (it != m_openInputs.end()) {
        Record("stop-in " + std::to_string(it->second.device));
        it->second.started = false;
    }
}

void MemoryMidiBackend::CloseInput(Handle handle) {
    std::lock_guard lock(m_mutex);
    auto it = m_openInputs.find(handle);
    if (it != m_openInputs.end()) {
        Record("close-in " + std::to_string(it->second.device));
        m_openInputs.erase(it);
    }
}

bool MemoryMidiBackend::NextInput(Handle handle, PortEvent& event) {
    std::lock_guard lock(m_mutex);
    auto it = m_openInputs.find(handle);
    if (it == m_openInputs.end() || it->second.waiting.empty()) {
        return false;
    }
    event = it->second.waiting.front();
    it->second.waiting.pop_front();
    return true;
}
