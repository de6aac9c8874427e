#include "midi/RtMidiBackend.h"

#include "midi/IncomingMessage.h"
#include "midi/OutputEncoder.h"

#include <jack/jack.h>
#include <rtmidi/RtMidi.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <unistd.h>

namespace {

constexpr const char* kClientName = "Orbis";
// Input is drained on the user-interface thread; if it stalls, the oldest surplus is dropped
// rather than letting memory grow without bound.
constexpr std::size_t kMaxWaitingInput = 8192;

void IgnoreJackMessage(const char*) {}

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

bool JackServerRunning() {
    // libjack reports a missing server on stderr; the program stays silent instead.
    jack_set_error_function(IgnoreJackMessage);
    jack_set_info_function(IgnoreJackMessage);
    jack_status_t status{};
    jack_client_t* client = jack_client_open("Orbis probe", JackNoStartServer, &status);
    if (!client) {
        return false;
    }
    jack_client_close(client);
    return true;
}

RtMidi::Api ChooseApi(const MidiWarningHook& warn) {
    const char* forced = std::getenv("ORBIS_MIDI_API");
    const bool alsaOnly = forced && std::strcmp(forced, "alsa") == 0;
    const bool jackOnly = forced && std::strcmp(forced, "jack") == 0;
    if (!jackOnly) {
        if (AlsaSequencerAvailable()) {
            return RtMidi::LINUX_ALSA;
        }
        Warn(warn, "no ALSA sequencer: /dev/snd/seq cannot be opened for reading and writing");
    }
    if (!alsaOnly) {
        if (JackServerRunning()) {
            return RtMidi::UNIX_JACK;
        }
        Warn(warn, "no JACK server is running");
    }
    return RtMidi::RTMIDI_DUMMY;
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
    std::mutex mutex;
    std::deque<PortEvent> waiting;
};

void OnRtMidiInput(double, std::vector<unsigned char>* message, void* userData) {
    auto* input = static_cast<Input*>(userData);
    if (!message || !input->started.load()) {
        return;
    }
    const std::optional<PortEvent> event = ParseIncomingMessage(message->data(), message->size());
    if (!event) {
        return;
    }
    bool wasEmpty = false;
    {
        std::lock_guard lock(input->mutex);
        wasEmpty = input->waiting.empty();
        if (input->waiting.size() >= kMaxWaitingInput) {
            input->waiting.pop_front();
        }
        input->waiting.push_back(*event);
    }
    if (wasEmpty && input->notify) {
        input->notify->InputWaiting();
    }
}

class RtMidiBackend final : public MidiBackend {
public:
    RtMidiBackend(RtMidi::Api api, MidiWarningHook warn)
        : m_api(api), m_warn(std::move(warn)), m_outputList(MakePort<RtMidiOut>(api, m_warn)),
          m_inputList(MakePort<RtMidiIn>(api, m_warn)) {}

    ~RtMidiBackend() override {
        m_inputs.clear(); // RtMidi joins its threads here, before the states go
    }

    bool Usable() const { return m_outputList && m_inputList; }
    RtMidi::Api Api() const { return m_api; }

    int OutputCount() override {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(m_outputList->getPortCount());
    }

    int InputCount() override {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(m_inputList->getPortCount());
    }

    std::optional<std::string> OutputName(int device) override {
        std::lock_guard lock(m_mutex);
        return PortName(*m_outputList, device);
    }

    std::optional<std::string> InputName(int device) override {
        std::lock_guard lock(m_mutex);
        return PortName(*m_inputList, device);
    }

    Handle OpenOutput(int device, std::uint32_t) override {
        std::lock_guard lock(m_mutex);
        if (device < 0 || device >= static_cast<int>(m_outputList->getPortCount())) {
            return 0;
        }
        auto port = MakePort<RtMidiOut>(m_api, m_warn);
        if (!port || !OpenPort(*port, device, "Orbis Out")) {
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
        if (device < 0 || device >= static_cast<int>(m_inputList->getPortCount())) {
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
        if (!OpenPort(*input->port, device, "Orbis In")) {
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
        if (!input) {
            return false;
        }
        std::lock_guard lock(input->mutex);
        if (input->waiting.empty()) {
            return false;
        }
        event = input->waiting.front();
        input->waiting.pop_front();
        return true;
    }

private:
    static std::optional<std::string> PortName(RtMidi& list, int device) {
        if (device < 0 || device >= static_cast<int>(list.getPortCount())) {
            return std::nullopt;
        }
        const std::string name = list.getPortName(static_cast<unsigned>(device));
        if (name.empty()) {
            return std::nullopt;
        }
        return CutDeviceName(name);
    }

    bool OpenPort(RtMidi& port, int device, const char* portName) {
        const std::string name = port.getPortName(static_cast<unsigned>(device));
        try {
            port.openPort(static_cast<unsigned>(device), portName);
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
};

} // namespace

std::unique_ptr<MidiBackend> CreateSystemMidiBackend(MidiWarningHook warn) {
    const RtMidi::Api api = ChooseApi(warn);
    if (api == RtMidi::RTMIDI_DUMMY) {
        return nullptr;
    }
    auto backend = std::make_unique<RtMidiBackend>(api, std::move(warn));
    if (!backend->Usable()) {
        return nullptr;
    }
    return backend;
}

std::string SystemMidiApiName(const MidiBackend* backend) {
    const auto* rtMidi = dynamic_cast<const RtMidiBackend*>(backend);
    if (!rtMidi) {
        return "none";
    }
    return rtMidi->Api() == RtMidi::LINUX_ALSA ? "ALSA" : "JACK";
}
