// The backend's calls. What they share with JACK's threads and the watcher, and the work on
// the client, are in JackMidiBackendState; the real-time side is in JackSlotTable.
#include "midi/JackMidiBackend.h"

#include "midi/JackMidiBackendState.h"

#include <jack/jack.h>

#include <chrono>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include <unistd.h>

namespace {

constexpr auto kDrainLimit = std::chrono::milliseconds(250);

using Clock = std::chrono::steady_clock;

void IgnoreJackMessage(const char*) {}

} // namespace

std::unique_ptr<JackMidiBackend> JackMidiBackend::Create(MidiWarningHook warn, MidiStart start) {
    // libjack reports a missing server on stderr; the program stays silent instead.
    jack_set_error_function(IgnoreJackMessage);
    jack_set_info_function(IgnoreJackMessage);
    auto state = std::make_unique<State>();
    state->warn = std::move(warn);
    // With the server's socket there, the client is opened in the background and the
    // program starts without waiting for it. Without it (a server reached another way, as
    // PipeWire's), whether there is a server at all is known only by trying.
    const std::string socket = state->watcher.SocketPath();
    const bool background = start == MidiStart::InBackground && ::access(socket.c_str(), F_OK) == 0;
    if (!background && !state->OpenClient()) {
        state->Warn("no JACK server is running");
        return nullptr;
    }
    state->StartWatcher(background);
    return std::unique_ptr<JackMidiBackend>(new JackMidiBackend(std::move(state)));
}

JackMidiBackend::JackMidiBackend(std::unique_ptr<State> state) : m_state(std::move(state)) {}

JackMidiBackend::~JackMidiBackend() {
    m_state->watcher.Stop();
    SetDeviceNotify(nullptr);
    for (JackOutputSlot& slot : m_state->ownPorts.outputs) {
        if (slot.handle) {
            CloseOutput(slot.handle);
        }
    }
    for (JackInputSlot& slot : m_state->ownPorts.inputs) {
        if (slot.handle) {
            CloseInput(slot.handle);
        }
    }
    std::lock_guard lock(m_state->mutex);
    if (m_state->client && !m_state->serverGone) {
        // A round trip to the server, which takes the client out of its graph between two
        // process cycles; libjack bounds it by the server's client time-out. Skipped when
        // the server is gone, where it could only wait for that time-out.
        jack_deactivate(m_state->client);
        jack_client_close(m_state->client);
    }
}

int JackMidiBackend::OutputCount() {
    std::lock_guard lock(m_state->mutex);
    m_state->RefreshNames();
    return static_cast<int>(m_state->outputNames.size());
}

int JackMidiBackend::InputCount() {
    std::lock_guard lock(m_state->mutex);
    m_state->RefreshNames();
    return static_cast<int>(m_state->inputNames.size());
}

namespace {
std::optional<std::string> NameAt(const std::vector<std::string>& names, int device) {
    if (device < 0 || device >= static_cast<int>(names.size())) {
        return std::nullopt;
    }
    return CutDeviceName(names[static_cast<std::size_t>(device)]);
}
} // namespace

std::optional<std::string> JackMidiBackend::OutputName(int device) {
    std::lock_guard lock(m_state->mutex);
    m_state->ListOnce();
    return NameAt(m_state->outputNames, device);
}

std::optional<std::string> JackMidiBackend::InputName(int device) {
    std::lock_guard lock(m_state->mutex);
    m_state->ListOnce();
    return NameAt(m_state->inputNames, device);
}

MidiBackend::Handle JackMidiBackend::OpenOutput(int device, std::uint32_t) {
    State& s = *m_state;
    std::lock_guard lock(s.mutex);
    s.ListOnce();
    JackOutputSlot* slot = s.FreeSlot(s.ownPorts.outputs);
    if (s.serverGone || !slot || device < 0 || device >= static_cast<int>(s.outputNames.size())) {
        return 0;
    }
    const std::string& peer = s.outputNames[static_cast<std::size_t>(device)];
    jack_port_t* port =
        s.PortFor(*slot, "Orbis Out", static_cast<std::size_t>(slot - s.ownPorts.outputs.data()),
                  JackPortIsOutput);
    if (!port) {
        s.Warn("cannot register a JACK output port");
        return 0;
    }
    if (!s.Connect(jack_port_name(port), peer.c_str(), peer)) {
        slot->spare = port;
        slot->spareGeneration = s.generation;
        return 0;
    }
    slot->port = port;
    slot->peer = peer;
    slot->generation = s.generation;
    slot->encoder.Reset();
    slot->ring.Clear();
    slot->handle = s.nextHandle++;
    slot->active.store(true, std::memory_order_release);
    return slot->handle;
}

int JackMidiBackend::PutOutput(Handle handle, const PortEvent& event) {
    State& s = *m_state;
    std::lock_guard lock(s.mutex);
    JackOutputSlot* slot = s.FindSlot(s.ownPorts.outputs, handle);
    if (!slot || !slot->active) {
        return 1;
    }
    std::vector<std::uint8_t> message;
    if (!slot->encoder.Encode(event, message)) {
        return 0; // taken into a SysEx run, or dropped as malformed
    }
    // A device that went away takes nothing: its sender must hear of it.
    if (!s.PeerPresent(*slot)) {
        return 1;
    }
    return slot->ring.Push(message) ? 0 : 1;
}

void JackMidiBackend::ResetOutput(Handle handle) {
    std::lock_guard lock(m_state->mutex);
    if (JackOutputSlot* slot = m_state->FindSlot(m_state->ownPorts.outputs, handle)) {
        slot->encoder.Reset();
    }
}

void JackMidiBackend::CloseOutput(Handle handle) {
    State& s = *m_state;
    // What was sent still leaves before the port goes, so a sender may close at once.
    const auto limit = Clock::now() + kDrainLimit;
    while (true) {
        {
            std::lock_guard lock(s.mutex);
            JackOutputSlot* slot = s.FindSlot(s.ownPorts.outputs, handle);
            if (!slot) {
                return;
            }
            if (slot->ring.Empty() || !slot->active || s.serverGone || Clock::now() > limit) {
                s.Release(*slot);
                slot->ring.Clear();
                return;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

MidiBackend::Handle JackMidiBackend::OpenInput(int device, MidiInputNotify* notify, std::uint32_t) {
    State& s = *m_state;
    std::lock_guard lock(s.mutex);
    s.ListOnce();
    JackInputSlot* slot = s.FreeSlot(s.ownPorts.inputs);
    if (s.serverGone || !slot || device < 0 || device >= static_cast<int>(s.inputNames.size())) {
        return 0;
    }
    const std::string& peer = s.inputNames[static_cast<std::size_t>(device)];
    jack_port_t* port =
        s.PortFor(*slot, "Orbis In", static_cast<std::size_t>(slot - s.ownPorts.inputs.data()),
                  JackPortIsInput);
    if (!port) {
        s.Warn("cannot register a JACK input port");
        return 0;
    }
    if (!s.Connect(peer.c_str(), jack_port_name(port), peer)) {
        slot->spare = port;
        slot->spareGeneration = s.generation;
        return 0;
    }
    if (!slot->queue) {
        slot->queue = std::make_unique<InputQueue>();
    }
    PortEvent stale;
    while (slot->queue->Pop(stale)) {
    }
    slot->port = port;
    slot->peer = peer;
    slot->generation = s.generation;
    slot->notify = notify;
    slot->started = false;
    slot->handle = s.nextHandle++;
    slot->active.store(true, std::memory_order_release);
    return slot->handle;
}

void JackMidiBackend::StartInput(Handle handle) {
    std::lock_guard lock(m_state->mutex);
    if (JackInputSlot* slot = m_state->FindSlot(m_state->ownPorts.inputs, handle)) {
        slot->started = true;
    }
}

void JackMidiBackend::StopInput(Handle handle) {
    std::lock_guard lock(m_state->mutex);
    if (JackInputSlot* slot = m_state->FindSlot(m_state->ownPorts.inputs, handle)) {
        slot->started = false;
    }
}

void JackMidiBackend::CloseInput(Handle handle) {
    State& s = *m_state;
    std::lock_guard lock(s.mutex);
    if (JackInputSlot* slot = s.FindSlot(s.ownPorts.inputs, handle)) {
        slot->started = false;
        s.Release(*slot);
        slot->notify = nullptr;
    }
}

bool JackMidiBackend::NextInput(Handle handle, PortEvent& event) {
    // The consumer's side of the queue needs no lock; the slot stays while its handle does.
    JackInputSlot* slot = nullptr;
    {
        std::lock_guard lock(m_state->mutex);
        slot = m_state->FindSlot(m_state->ownPorts.inputs, handle);
    }
    return slot && slot->queue && slot->queue->Pop(event);
}

bool JackMidiBackend::IsAlive(Handle handle) {
    State& s = *m_state;
    std::lock_guard lock(s.mutex);
    const JackSlot* slot = s.FindSlot(s.ownPorts.outputs, handle);
    if (!slot) {
        slot = s.FindSlot(s.ownPorts.inputs, handle);
    }
    return slot && slot->active && s.PeerPresent(*slot);
}

bool JackMidiBackend::WaitUntilSent(Handle handle) {
    State& s = *m_state;
    const auto limit = Clock::now() + kDrainLimit;
    while (true) {
        {
            std::lock_guard lock(s.mutex);
            JackOutputSlot* slot = s.FindSlot(s.ownPorts.outputs, handle);
            if (!slot || !slot->active || !s.PeerPresent(*slot)) {
                return false;
            }
            if (slot->ring.Empty()) {
                return true;
            }
        }
        if (Clock::now() > limit) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void JackMidiBackend::SetDeviceNotify(MidiDeviceNotify* notify) {
    std::lock_guard lock(m_state->notifyMutex);
    m_state->deviceNotify = notify;
}

std::string JackMidiBackend::Missing() const {
    return m_state->serverGone ? "the JACK server has stopped" : std::string();
}
