#include "midi/RtMidiBackend.h"

#include "midi/AlsaAnnouncements.h"
#include "midi/IncomingMessage.h"
#include "midi/InputQueue.h"
#include "midi/OutputEncoder.h"

#include <rtmidi/RtMidi.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace {

constexpr const char* kClientName = "Orbis";
// How the sequencer names the program's own ports ("client:port id:id"); they are left out
// of the device lists so the output can never be routed into the program's own input.
constexpr const char* kOwnPortPrefixes[] = {"Orbis:Orbis In ", "Orbis:Orbis Out "};

void Warn(const MidiWarningHook& warn, const std::string& text) {
    if (warn) {
        warn(text);
    }
}

// RtMidi's errors and warnings would go to stderr; they go to the program's hook instead.
void ReportRtMidiError(RtMidiError::Type, const std::string& text, void* hook) {
    Warn(*static_cast<const MidiWarningHook*>(hook), "RtMidi: " + text);
}

bool AlsaSequencerAvailable() {
    return ::access("/dev/snd/seq", R_OK | W_OK) == 0;
}

bool IsOwnPort(const std::string& name) {
    for (const char* prefix : kOwnPortPrefixes) {
        if (name.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

template <class Port> std::unique_ptr<Port> MakePort(RtMidi::Api api, const MidiWarningHook& warn) {
    try {
        auto port = std::make_unique<Port>(api, kClientName);
        port->setErrorCallback(ReportRtMidiError, const_cast<MidiWarningHook*>(&warn));
        return port;
    } catch (const std::exception& error) {
        Warn(warn, std::string("RtMidi could not start: ") + error.what());
        return nullptr;
    }
}

struct Output {
    std::unique_ptr<RtMidiOut> port;
    OutputEncoder encoder;
};

// Lives at a fixed address for as long as RtMidi may call back into it.
struct Input {
    std::unique_ptr<RtMidiIn> port;
    MidiInputNotify* notify = nullptr;
    std::atomic<bool> started{false};
    InputQueue waiting;
};

void OnRtMidiInput(double, std::vector<unsigned char>* message, void* userData) {
    auto* input = static_cast<Input*>(userData);
    if (!message || !input->started.load()) {
        return;
    }
    const std::optional<PortEvent> event = ParseIncomingMessage(message->data(), message->size());
    if (event && input->waiting.Push(*event) && input->notify) {
        input->notify->InputWaiting();
    }
}

class RtMidiBackend final : public MidiBackend {
public:
    RtMidiBackend(RtMidi::Api api, MidiWarningHook warn)
        : m_api(api), m_warn(std::move(warn)), m_outputList(MakePort<RtMidiOut>(api, m_warn)),
          m_inputList(MakePort<RtMidiIn>(api, m_warn)) {
        if (api == RtMidi::LINUX_ALSA) {
            m_announcements = std::make_unique<AlsaAnnouncementWatcher>([this] {
                std::lock_guard lock(m_notifyMutex);
                if (m_deviceNotify) {
                    m_deviceNotify->DevicesChanged();
                }
            });
        }
    }

    ~RtMidiBackend() override {
        m_announcements.reset();
        m_inputs.clear(); // RtMidi joins its threads here, before the states go
    }

    bool Usable() const { return m_outputList && m_inputList; }
    RtMidi::Api Api() const { return m_api; }

    int OutputCount() override {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(VisiblePorts(*m_outputList).size());
    }

    int InputCount() override {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(VisiblePorts(*m_inputList).size());
    }

    std::optional<std::string> OutputName(int device) override {
        std::lock_guard lock(m_mutex);
        return PortName(*m_outputList, device);
    }

    std::optional<std::string> InputName(int device) override {
        std::lock_guard lock(m_mutex);
        return PortName(*m_inputList, device);
    }

    void SetDeviceNotify(MidiDeviceNotify* notify) override {
        std::lock_guard lock(m_notifyMutex);
        m_deviceNotify = notify;
    }

    Handle OpenOutput(int device, std::uint32_t) override {
        std::lock_guard lock(m_mutex);
        const std::optional<unsigned> index = PortIndex(*m_outputList, device);
        if (!index) {
            return 0;
        }
        auto port = MakePort<RtMidiOut>(m_api, m_warn);
        if (!port || !OpenPort(*port, *index, "Orbis Out")) {
            return 0;
        }
        const Handle handle = m_nextHandle++;
        m_outputs[handle].port = std::move(port);
        return handle;
    }

    int PutOutput(Handle handle, const PortEvent& event) override {
        std::lock_guard lock(m_mutex);
        auto it = m_outputs.find(handle);
        if (it == m_outputs.end()) {
            return 1;
        }
        std::vector<unsigned char> message;
        if (it->second.encoder.Encode(event, message)) {
            try {
                it->second.port->sendMessage(&message);
            } catch (const std::exception& error) {
                Warn(m_warn, std::string("sending failed: ") + error.what());
                return 1; // the device went away; nothing more to do
            }
        }
        return 0;
    }

    void ResetOutput(Handle handle) override {
        std::lock_guard lock(m_mutex);
        auto it = m_outputs.find(handle);
        if (it != m_outputs.end()) {
            it->second.encoder.Reset();
        }
    }

    void CloseOutput(Handle handle) override {
        std::lock_guard lock(m_mutex);
        m_outputs.erase(handle);
    }

    Handle OpenInput(int device, MidiInputNotify* notify, std::uint32_t) override {
        std::lock_guard lock(m_mutex);
        const std::optional<unsigned> index = PortIndex(*m_inputList, device);
        if (!index) {
            return 0;
        }
        auto input = std::make_unique<Input>();
        input->notify = notify;
        input->port = MakePort<RtMidiIn>(m_api, m_warn);
        if (!input->port) {
            return 0;
        }
        input->port->ignoreTypes(true, true, true);
        input->port->setCallback(OnRtMidiInput, input.get());
        if (!OpenPort(*input->port, *index, "Orbis In")) {
            return 0;
        }
        const Handle handle = m_nextHandle++;
        m_inputs[handle] = std::move(input);
        return handle;
    }

    void StartInput(Handle handle) override { SetStarted(handle, true); }
    void StopInput(Handle handle) override { SetStarted(handle, false); }

    void CloseInput(Handle handle) override {
        std::unique_ptr<Input> input;
        {
            std::lock_guard lock(m_mutex);
            auto it = m_inputs.find(handle);
            if (it == m_inputs.end()) {
                return;
            }
            input = std::move(it->second);
            m_inputs.erase(it);
        }
        input->port.reset(); // stops RtMidi's thread before the queue goes
    }

    bool NextInput(Handle handle, PortEvent& event) override {
        Input* input = FindInput(handle);
        return input && input->waiting.Pop(event);
    }

private:
    // The system's port numbers of the devices the lists show, in order.
    static std::vector<unsigned> VisiblePorts(RtMidi& list) {
        std::vector<unsigned> visible;
        const unsigned count = list.getPortCount();
        for (unsigned n = 0; n < count; ++n) {
            if (!IsOwnPort(list.getPortName(n))) {
                visible.push_back(n);
            }
        }
        return visible;
    }

    static std::optional<unsigned> PortIndex(RtMidi& list, int device) {
        const std::vector<unsigned> visible = VisiblePorts(list);
        if (device < 0 || device >= static_cast<int>(visible.size())) {
            return std::nullopt;
        }
        return visible[static_cast<std::size_t>(device)];
    }

    static std::optional<std::string> PortName(RtMidi& list, int device) {
        const std::optional<unsigned> index = PortIndex(list, device);
        if (!index) {
            return std::nullopt;
        }
        const std::string name = list.getPortName(*index);
        if (name.empty()) {
            return std::nullopt;
        }
        return CutDeviceName(name);
    }

    bool OpenPort(RtMidi& port, unsigned index, const char* portName) {
        const std::string name = port.getPortName(index);
        try {
            port.openPort(index, portName);
        } catch (const std::exception& error) {
            Warn(m_warn, "cannot open \"" + name + "\": " + error.what());
            return false;
        }
        if (!port.isPortOpen()) {
            Warn(m_warn, "cannot open \"" + name + "\"");
            return false;
        }
        return true;
    }

    Input* FindInput(Handle handle) {
        std::lock_guard lock(m_mutex);
        auto it = m_inputs.find(handle);
        return it == m_inputs.end() ? nullptr : it->second.get();
    }

    void SetStarted(Handle handle, bool started) {
        if (Input* input = FindInput(handle)) {
            input->started = started;
        }
    }

    RtMidi::Api m_api;
    // RtMidi's ports keep a pointer to it: it lives as long as the backend.
    const MidiWarningHook m_warn;
    std::mutex m_mutex;
    std::unique_ptr<RtMidiOut> m_outputList;
    std::unique_ptr<RtMidiIn> m_inputList;
    std::map<Handle, Output> m_outputs;
    std::map<Handle, std::unique_ptr<Input>> m_inputs;
    Handle m_nextHandle = kFailureLimit + 1;
    std::mutex m_notifyMutex;
    MidiDeviceNotify* m_deviceNotify = nullptr;
    std::unique_ptr<AlsaAnnouncementWatcher> m_announcements;
};

} // namespace

std::unique_ptr<MidiBackend> CreateAlsaMidiBackend(const MidiWarningHook& warn) {
    if (!AlsaSequencerAvailable()) {
        Warn(warn, "no ALSA sequencer: /dev/snd/seq cannot be opened for reading and writing");
        return nullptr;
    }
    auto backend = std::make_unique<RtMidiBackend>(RtMidi::LINUX_ALSA, warn);
    if (!backend->Usable()) {
        return nullptr;
    }
    return backend;
}

bool IsAlsaMidiBackend(const MidiBackend* backend) {
    return dynamic_cast<const RtMidiBackend*>(backend) != nullptr;
}
