#include "midi/JackMidiBackend.h"

#include "midi/IncomingMessage.h"
#include "midi/InputQueue.h"
#include "midi/OutputEncoder.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr const char* kClientName = "Orbis";
// Where a JACK2 server puts its socket: jack_<server>_<uid>_0 appears when it starts.
constexpr const char* kServerDirectory = "/dev/shm";
constexpr std::size_t kSlots = 8;
constexpr std::size_t kOutputBytes = std::size_t{1} << 16;
constexpr auto kDrainLimit = std::chrono::milliseconds(250);

using Clock = std::chrono::steady_clock;

void IgnoreJackMessage(const char*) {}

// Whole outgoing messages from the user-interface thread to the process thread: a 16-bit
// length and the bytes, in a fixed ring with one producer and one consumer.
class MessageRing {
public:
    MessageRing() : m_bytes(new std::uint8_t[kOutputBytes]) {}

    bool Push(const std::vector<std::uint8_t>& message) {
        const std::size_t head = m_head.load(std::memory_order_relaxed);
        const std::size_t tail = m_tail.load(std::memory_order_acquire);
        const std::size_t size = message.size();
        if (size == 0 || size > 0xFFFF || kOutputBytes - (head - tail) < size + 2) {
            return false;
        }
        Put(head, static_cast<std::uint8_t>(size >> 8));
        Put(head + 1, static_cast<std::uint8_t>(size & 0xFF));
        for (std::size_t i = 0; i < size; ++i) {
            Put(head + 2 + i, message[i]);
        }
        m_head.store(head + 2 + size, std::memory_order_release);
        return true;
    }

    // Process thread: the size of the oldest message, 0 when there is none.
    std::size_t PeekSize() const {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed);
        if (tail == m_head.load(std::memory_order_acquire)) {
            return 0;
        }
        return std::size_t{Get(tail)} << 8 | Get(tail + 1);
    }
    void CopyOldest(std::uint8_t* out, std::size_t size) const {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed) + 2;
        for (std::size_t i = 0; i < size; ++i) {
            out[i] = Get(tail + i);
        }
    }
    void DropOldest(std::size_t size) {
        m_tail.store(m_tail.load(std::memory_order_relaxed) + 2 + size, std::memory_order_release);
    }

    bool Empty() const {
        return m_tail.load(std::memory_order_acquire) == m_head.load(std::memory_order_acquire);
    }
    // Only while the process thread cannot look at the ring.
    void Clear() { m_tail.store(m_head.load()); }

private:
    void Put(std::size_t at, std::uint8_t byte) { m_bytes[at & (kOutputBytes - 1)] = byte; }
    std::uint8_t Get(std::size_t at) const { return m_bytes[at & (kOutputBytes - 1)]; }

    std::unique_ptr<std::uint8_t[]> m_bytes;
    alignas(64) std::atomic<std::size_t> m_head{0};
    alignas(64) std::atomic<std::size_t> m_tail{0};
};

// What both kinds of port keep. `active` publishes the slot to the process thread; the rest
// is written only by the user-interface thread while the slot is not active.
struct Slot {
    std::atomic<bool> active{false};
    // JACK keeps an output port's buffer as it was left: a port going quiet must be cleared
    // once more, or its last period's messages are read again every period.
    std::atomic<bool> clearOnce{false};
    jack_port_t* port = nullptr;
    std::string peer;        // the full name of the device's port
    unsigned generation = 0; // the client the port was registered on
    MidiBackend::Handle handle = 0;
    // The port of a closed slot stays registered for the next open, which then needs only
    // a connection: a device that returns is reached again sooner.
    jack_port_t* spare = nullptr;
    unsigned spareGeneration = 0;
};

struct OutputSlot : Slot {
    MessageRing ring;
    OutputEncoder encoder;
};

struct InputSlot : Slot {
    std::atomic<bool> started{false};
    std::unique_ptr<InputQueue> queue;
    MidiInputNotify* notify = nullptr;
};

std::string ServerName() {
    const char* name = std::getenv("JACK_DEFAULT_SERVER");
    return name && *name ? name : "default";
}

} // namespace

struct JackMidiBackend::State {
    MidiWarningHook warn;
    std::string socketName = "jack_" + ServerName() + "_" + std::to_string(::getuid()) + "_0";

    // Guards the client, the lists and the slots' set-up; never taken by the process thread.
    mutable std::mutex mutex;
    jack_client_t* client = nullptr;
    unsigned generation = 0;
    std::atomic<bool> serverGone{false};
    std::atomic<unsigned> serverStops{0}; // shutdown callbacks that have run to their end
    std::atomic<bool> namesStale{true};
    unsigned listedGeneration = 0; // the client whose ports the lists last showed
    std::atomic<std::uint64_t> cycles{0};
    std::vector<std::string> outputNames;
    std::vector<std::string> inputNames;
    std::array<OutputSlot, kSlots> outputs;
    std::array<InputSlot, kSlots> inputs;
    Handle nextHandle = kFailureLimit + 1;

    std::mutex notifyMutex;
    MidiDeviceNotify* deviceNotify = nullptr;

    std::thread watcher;
    int inotifyFd = -1;
    int stopPipe[2] = {-1, -1};
    std::atomic<bool> stopping{false};

    void Warn(const std::string& text) const {
        if (warn) {
            warn(text);
        }
    }

    void TellDevicesChanged() {
        std::lock_guard lock(notifyMutex);
        if (deviceNotify) {
            deviceNotify->DevicesChanged();
        }
    }

    // Opens and activates a client; slow (tens of milliseconds), so never under the mutex.
    jack_client_t* OpenActivated() {
        jack_status_t status{};
        jack_client_t* opened = jack_client_open(kClientName, JackNoStartServer, &status);
        if (!opened) {
            return nullptr;
        }
        jack_set_process_callback(opened, &State::Process, this);
        jack_set_port_registration_callback(opened, &State::PortRegistered, this);
        jack_set_port_rename_callback(opened, &State::PortRenamed, this);
        // A client's ports can be connected only once it is active, which only the graph's
        // change tells; a device whose connection failed is then tried again.
        jack_set_graph_order_callback(opened, &State::GraphChanged, this);
        jack_on_info_shutdown(opened, &State::ServerShutDown, this);
        const unsigned stopsBefore = serverStops.load();
        const bool active = jack_activate(opened) == 0;
        if (!active && !ServerStoppedSince(stopsBefore)) {
            jack_client_close(opened); // refused by a running server
            return nullptr;
        }
        // A server that stopped meanwhile leaves the client like any whose server went:
        // closing it would cancel libjack's threads, with no care for the locks they hold,
        // while they still tell of the stop.
        return active && serverStops.load() == stopsBefore ? opened : nullptr;
    }

    // Whether the shutdown callback has finished since `before`; waits a moment for it.
    bool ServerStoppedSince(unsigned before) const {
        const auto limit = Clock::now() + std::chrono::milliseconds(500);
        while (serverStops.load() == before && Clock::now() < limit) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return serverStops.load() != before;
    }

    // Makes an opened client the one every call uses; with the mutex held.
    void Publish(jack_client_t* opened) {
        client = opened;
        ++generation;
        serverGone = false;
        namesStale = true;
    }

    bool OpenClient() {
        jack_client_t* opened = OpenActivated();
        if (opened) {
            std::lock_guard lock(mutex);
            Publish(opened);
        }
        return opened != nullptr;
    }

    // The first connection, on the watcher's thread, so that the window does not wait for
    // it: the lists fill when it is there.
    void ConnectFirst() {
        if (!OpenClient()) {
            serverGone = true;
            Warn("the JACK server did not take the program's client");
        }
        TellDevicesChanged();
    }

    // Lists the MIDI ports of the other clients that take input (flags JackPortIsInput) or
    // give it; called with the mutex held.
    void RefreshNames() {
        if (!namesStale.exchange(false)) {
            return;
        }
        outputNames.clear();
        inputNames.clear();
        if (serverGone || !client) {
            return;
        }
        for (auto [flags, names] :
             {std::pair{JackPortIsInput, &outputNames}, std::pair{JackPortIsOutput, &inputNames}}) {
            const char** ports = jack_get_ports(client, nullptr, JACK_DEFAULT_MIDI_TYPE,
                                                static_cast<unsigned long>(flags));
            for (const char** name = ports; name && *name; ++name) {
                jack_port_t* port = jack_port_by_name(client, *name);
                if (port && !jack_port_is_mine(client, port)) {
                    names->push_back(*name);
                }
            }
            jack_free(ports);
        }
        listedGeneration = generation;
    }

    // The lists as last counted, so that a device number names and opens the device the
    // caller was shown even when another came or went since; listed here only when nothing
    // was counted on this client yet.
    void ListOnce() {
        if (listedGeneration != generation) {
            RefreshNames();
        }
    }

    // Still connected to its device: a device that left and came back, even between two
    // looks, has lost the connection and must be opened again.
    bool PeerPresent(const Slot& slot) const {
        return !serverGone && slot.generation == generation && client && slot.port &&
               jack_port_connected_to(slot.port, slot.peer.c_str()) != 0;
    }

    template <class Slots> auto* FindSlot(Slots& slots, Handle handle) {
        for (auto& slot : slots) {
            if (slot.handle == handle && handle != 0) {
                return &slot;
            }
        }
        return static_cast<typename Slots::value_type*>(nullptr);
    }

    template <class Slots> auto* FreeSlot(Slots& slots) {
        for (auto& slot : slots) {
            if (slot.handle == 0) {
                return &slot;
            }
        }
        return static_cast<typename Slots::value_type*>(nullptr);
    }

    // Waits until the process thread has finished any cycle that may still see a slot just
    // made inactive. Bounded, and skipped when no server runs the thread.
    void WaitForCycle() const {
        if (serverGone) {
            return;
        }
        const std::uint64_t seen = cycles.load();
        const auto limit = Clock::now() + std::chrono::milliseconds(200);
        while (cycles.load() < seen + 2 && Clock::now() < limit && !serverGone) {
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }

    // Called with the mutex held; the port is disconnected and kept for the next open, and
    // only while its client's server is still there.
    void Release(Slot& slot) {
        slot.clearOnce = true;
        slot.active = false;
        WaitForCycle();
        slot.clearOnce = false;
        if (slot.port && slot.generation == generation && !serverGone && client) {
            jack_port_disconnect(client, slot.port);
            slot.spare = slot.port;
            slot.spareGeneration = generation;
        }
        slot.port = nullptr;
        slot.handle = 0;
        slot.peer.clear();
    }

    // The slot's port, registered anew unless a spare of this client is there.
    jack_port_t* PortFor(Slot& slot, const char* base, std::size_t index, unsigned long flags) {
        if (slot.spare && slot.spareGeneration == generation) {
            return std::exchange(slot.spare, nullptr);
        }
        slot.spare = nullptr;
        std::string name = base;
        if (index > 0) {
            name += ' ' + std::to_string(index + 1);
        }
        return jack_port_register(client, name.c_str(), JACK_DEFAULT_MIDI_TYPE, flags, 0);
    }

    // A device's client may have registered its port a moment before it is active, when
    // JACK refuses connections to it; such a connection is tried again for a few periods.
    bool Connect(const char* from, const char* to, const std::string& peer) {
        const auto limit = Clock::now() + std::chrono::milliseconds(20);
        while (jack_connect(client, from, to) != 0) {
            if (Clock::now() > limit || !jack_port_by_name(client, peer.c_str())) {
                Warn("cannot connect \"" + std::string(from) + "\" to \"" + to + "\"");
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    // --- JACK's threads -----------------------------------------------------------------

    // Real-time: copies between the port buffers and the rings; no lock, no allocation.
    static int Process(jack_nframes_t frames, void* arg) {
        auto* state = static_cast<State*>(arg);
        for (OutputSlot& slot : state->outputs) {
            if (!slot.active.load(std::memory_order_acquire)) {
                if (slot.clearOnce.exchange(false, std::memory_order_acquire) && slot.port) {
                    jack_midi_clear_buffer(jack_port_get_buffer(slot.port, frames));
                }
                continue;
            }
            void* buffer = jack_port_get_buffer(slot.port, frames);
            jack_midi_clear_buffer(buffer);
            while (const std::size_t size = slot.ring.PeekSize()) {
                jack_midi_data_t* place = jack_midi_event_reserve(buffer, 0, size);
                if (!place) {
                    break; // the buffer is full this period; the rest goes in the next
                }
                slot.ring.CopyOldest(place, size);
                slot.ring.DropOldest(size);
            }
        }
        for (InputSlot& slot : state->inputs) {
            if (!slot.active.load(std::memory_order_acquire)) {
                continue;
            }
            void* buffer = jack_port_get_buffer(slot.port, frames);
            const std::uint32_t count = jack_midi_get_event_count(buffer);
            const bool started = slot.started.load(std::memory_order_relaxed);
            bool wake = false;
            for (std::uint32_t i = 0; i < count && started; ++i) {
                jack_midi_event_t event;
                if (jack_midi_event_get(&event, buffer, i) != 0) {
                    continue;
                }
                if (const std::optional<PortEvent> parsed =
                        ParseIncomingMessage(event.buffer, event.size)) {
                    wake = slot.queue->Push(*parsed) || wake;
                }
            }
            if (wake && slot.notify) {
                slot.notify->InputWaiting();
            }
        }
        state->cycles.fetch_add(1, std::memory_order_release);
        return 0;
    }

    static void PortRegistered(jack_port_id_t, int, void* arg) {
        auto* state = static_cast<State*>(arg);
        state->namesStale = true;
        state->TellDevicesChanged();
    }

    static void PortRenamed(jack_port_id_t, const char*, const char*, void* arg) {
        PortRegistered(0, 0, arg);
    }

    static int GraphChanged(void* arg) {
        PortRegistered(0, 0, arg);
        return 0;
    }

    static void ServerShutDown(jack_status_t, const char* reason, void* arg) {
        auto* state = static_cast<State*>(arg);
        state->serverGone = true;
        state->namesStale = true;
        state->Warn(std::string("the JACK server stopped: ") + (reason ? reason : ""));
        const char wake = 1;
        static_cast<void>(::write(state->stopPipe[1], &wake, 1));
        state->TellDevicesChanged();
        ++state->serverStops;
    }

    // --- The watcher: waits, without polling, for the server to come back --------------

    void Watch() {
        std::array<char, 4096> events{};
        while (!stopping) {
            pollfd waits[2] = {{inotifyFd, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
            if (::poll(waits, 2, -1) < 0) {
                continue;
            }
            bool look = false;
            if (waits[1].revents & POLLIN) {
                char byte = 0;
                static_cast<void>(::read(stopPipe[0], &byte, 1));
                look = true; // a shutdown: the server may already be back
            }
            if (waits[0].revents & POLLIN) {
                const ssize_t got = ::read(inotifyFd, events.data(), events.size());
                for (ssize_t at = 0; at < got;) {
                    const auto* event = reinterpret_cast<const inotify_event*>(&events[at]);
                    if (event->len > 0 && socketName == event->name) {
                        look = true;
                    }
                    at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                }
            }
            if (look && !stopping && serverGone) {
                Reconnect();
            }
        }
    }

    void Reconnect() {
        const std::string socket = std::string(kServerDirectory) + "/" + socketName;
        // The socket appears a moment before the server takes clients.
        for (int attempt = 0; attempt < 40 && !stopping; ++attempt) {
            if (::access(socket.c_str(), F_OK) != 0) {
                return;
            }
            {
                std::lock_guard lock(mutex);
                // The old client died with its server. libjack keeps state per process that
                // the new connection replaces, and closing the old client then touches it:
                // what the dead client holds is left to the end of the process.
                if (!serverGone) {
                    break; // already back
                }
                client = nullptr;
                // Their ports died with the old client; the new one must never touch them.
                for (Slot& slot : outputs) {
                    slot.active = false;
                    slot.port = nullptr;
                    slot.spare = nullptr;
                }
                for (Slot& slot : inputs) {
                    slot.active = false;
                    slot.port = nullptr;
                    slot.spare = nullptr;
                }
            }
            if (OpenClient()) {
                Warn("the JACK server is back");
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!serverGone) {
            TellDevicesChanged();
        }
    }

    void StartWatcher(bool connectFirst) {
        inotifyFd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        const bool watching =
            inotifyFd >= 0 && ::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) == 0 &&
            ::inotify_add_watch(inotifyFd, kServerDirectory, IN_CREATE | IN_MOVED_TO) >= 0;
        if (!watching) {
            Warn("cannot watch for the JACK server's return");
        }
        if (watching || connectFirst) {
            watcher = std::thread([this, connectFirst, watching] {
                if (connectFirst) {
                    ConnectFirst();
                }
                if (watching) {
                    Watch();
                }
            });
        }
    }

    void StopWatcher() {
        stopping = true;
        if (watcher.joinable()) {
            const char wake = 0;
            static_cast<void>(::write(stopPipe[1], &wake, 1));
            watcher.join();
        }
        for (int fd : {inotifyFd, stopPipe[0], stopPipe[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
};

std::unique_ptr<JackMidiBackend> JackMidiBackend::Create(MidiWarningHook warn, MidiStart start) {
    // libjack reports a missing server on stderr; the program stays silent instead.
    jack_set_error_function(IgnoreJackMessage);
    jack_set_info_function(IgnoreJackMessage);
    auto state = std::make_unique<State>();
    state->warn = std::move(warn);
    // With the server's socket there, the client is opened in the background and the
    // program starts without waiting for it. Without it (a server reached another way, as
    // PipeWire's), whether there is a server at all is known only by trying.
    const std::string socket = std::string(kServerDirectory) + "/" + state->socketName;
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
    m_state->StopWatcher();
    SetDeviceNotify(nullptr);
    for (OutputSlot& slot : m_state->outputs) {
        if (slot.handle) {
            CloseOutput(slot.handle);
        }
    }
    for (InputSlot& slot : m_state->inputs) {
        if (slot.handle) {
            CloseInput(slot.handle);
        }
    }
    std::lock_guard lock(m_state->mutex);
    if (m_state->client && !m_state->serverGone) {
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
    OutputSlot* slot = s.FreeSlot(s.outputs);
    if (s.serverGone || !slot || device < 0 || device >= static_cast<int>(s.outputNames.size())) {
        return 0;
    }
    const std::string& peer = s.outputNames[static_cast<std::size_t>(device)];
    jack_port_t* port = s.PortFor(
        *slot, "Orbis Out", static_cast<std::size_t>(slot - s.outputs.data()), JackPortIsOutput);
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
    OutputSlot* slot = s.FindSlot(s.outputs, handle);
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
    if (OutputSlot* slot = m_state->FindSlot(m_state->outputs, handle)) {
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
            OutputSlot* slot = s.FindSlot(s.outputs, handle);
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
    InputSlot* slot = s.FreeSlot(s.inputs);
    if (s.serverGone || !slot || device < 0 || device >= static_cast<int>(s.inputNames.size())) {
        return 0;
    }
    const std::string& peer = s.inputNames[static_cast<std::size_t>(device)];
    jack_port_t* port = s.PortFor(
        *slot, "Orbis In", static_cast<std::size_t>(slot - s.inputs.data()), JackPortIsInput);
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
    if (InputSlot* slot = m_state->FindSlot(m_state->inputs, handle)) {
        slot->started = true;
    }
}

void JackMidiBackend::StopInput(Handle handle) {
    std::lock_guard lock(m_state->mutex);
    if (InputSlot* slot = m_state->FindSlot(m_state->inputs, handle)) {
        slot->started = false;
    }
}

void JackMidiBackend::CloseInput(Handle handle) {
    State& s = *m_state;
    std::lock_guard lock(s.mutex);
    if (InputSlot* slot = s.FindSlot(s.inputs, handle)) {
        slot->started = false;
        s.Release(*slot);
        slot->notify = nullptr;
    }
}

bool JackMidiBackend::NextInput(Handle handle, PortEvent& event) {
    // The consumer's side of the queue needs no lock; the slot stays while its handle does.
    InputSlot* slot = nullptr;
    {
        std::lock_guard lock(m_state->mutex);
        slot = m_state->FindSlot(m_state->inputs, handle);
    }
    return slot && slot->queue && slot->queue->Pop(event);
}

bool JackMidiBackend::IsAlive(Handle handle) {
    State& s = *m_state;
    std::lock_guard lock(s.mutex);
    const Slot* slot = s.FindSlot(s.outputs, handle);
    if (!slot) {
        slot = s.FindSlot(s.inputs, handle);
    }
    return slot && slot->active && s.PeerPresent(*slot);
}

bool JackMidiBackend::WaitUntilSent(Handle handle) {
    State& s = *m_state;
    const auto limit = Clock::now() + kDrainLimit;
    while (true) {
        {
            std::lock_guard lock(s.mutex);
            OutputSlot* slot = s.FindSlot(s.outputs, handle);
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
