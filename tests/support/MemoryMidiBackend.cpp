#include "support/MemoryMidiBackend.h"

#include <algorithm>

void MemoryMidiBackend::AddOutputDevice(std::optional<std::string> name, bool opens) {
    {
        std::lock_guard lock(m_mutex);
        m_outputs.push_back({std::move(name), opens, true, {}});
    }
    if (m_deviceNotify) {
        m_deviceNotify->DevicesChanged();
    }
}

void MemoryMidiBackend::AddInputDevice(std::optional<std::string> name, bool opens) {
    {
        std::lock_guard lock(m_mutex);
        m_inputs.push_back({std::move(name), opens, true, {}});
    }
    if (m_deviceNotify) {
        m_deviceNotify->DevicesChanged();
    }
}

int MemoryMidiBackend::Listed(const std::vector<Device>& devices, int number) {
    if (number < 0) {
        return -1;
    }
    for (std::size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].listed && number-- == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void MemoryMidiBackend::SetListed(std::vector<Device>& devices, int device, bool listed) {
    {
        std::lock_guard lock(m_mutex);
        if (device < 0 || device >= static_cast<int>(devices.size())) {
            return;
        }
        devices[static_cast<std::size_t>(device)].listed = listed;
        devices[static_cast<std::size_t>(device)].present = listed;
    }
    if (m_deviceNotify) {
        m_deviceNotify->DevicesChanged();
    }
}

void MemoryMidiBackend::WithdrawOutput(int device) {
    SetListed(m_outputs, device, false);
}

void MemoryMidiBackend::RestoreOutput(int device) {
    SetListed(m_outputs, device, true);
}

void MemoryMidiBackend::WithdrawInput(int device) {
    SetListed(m_inputs, device, false);
}

void MemoryMidiBackend::RestoreInput(int device) {
    SetListed(m_inputs, device, true);
}

bool MemoryMidiBackend::IsAlive(Handle handle) {
    std::lock_guard lock(m_mutex);
    if (auto it = m_openOutputs.find(handle); it != m_openOutputs.end()) {
        return m_outputs[static_cast<std::size_t>(it->second.device)].present;
    }
    if (auto it = m_openInputs.find(handle); it != m_openInputs.end()) {
        return m_inputs[static_cast<std::size_t>(it->second.device)].present;
    }
    return false;
}

void MemoryMidiBackend::SetDeviceNotify(MidiDeviceNotify* notify) {
    m_deviceNotify = notify;
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
    return static_cast<int>(std::count_if(m_outputs.begin(), m_outputs.end(),
                                          [](const Device& d) { return d.listed; }));
}

int MemoryMidiBackend::InputCount() {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(
        std::count_if(m_inputs.begin(), m_inputs.end(), [](const Device& d) { return d.listed; }));
}

std::optional<std::string> MemoryMidiBackend::OutputName(int device) {
    std::lock_guard lock(m_mutex);
    const int at = Listed(m_outputs, device);
    if (at < 0 || !m_outputs[static_cast<std::size_t>(at)].name) {
        return std::nullopt;
    }
    return CutDeviceName(*m_outputs[static_cast<std::size_t>(at)].name);
}

std::optional<std::string> MemoryMidiBackend::InputName(int device) {
    std::lock_guard lock(m_mutex);
    const int at = Listed(m_inputs, device);
    if (at < 0 || !m_inputs[static_cast<std::size_t>(at)].name) {
        return std::nullopt;
    }
    return CutDeviceName(*m_inputs[static_cast<std::size_t>(at)].name);
}

MidiBackend::Handle MemoryMidiBackend::OpenOutput(int device, std::uint32_t) {
    std::lock_guard lock(m_mutex);
    Record("open-out " + std::to_string(device));
    const int at = Listed(m_outputs, device);
    if (at < 0 || !m_outputs[static_cast<std::size_t>(at)].opens) {
        return 0;
    }
    const Handle handle = m_nextHandle++;
    m_openOutputs[handle].device = at;
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
    const int at = Listed(m_inputs, device);
    if (at < 0 || !m_inputs[static_cast<std::size_t>(at)].opens) {
        return 0;
    }
    const Handle handle = m_nextHandle++;
    Input& input = m_openInputs[handle];
    input.device = at;
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
