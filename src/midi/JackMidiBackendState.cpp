#include "midi/JackMidiBackendState.h"

#include <jack/jack.h>

#include <chrono>
#include <functional>
#include <thread>
#include <utility>

#include <unistd.h>

namespace {

constexpr const char* kClientName = "Orbis";

using Clock = std::chrono::steady_clock;

} // namespace

using State = JackBackendState;

void State::Warn(const std::string& text) const {
    if (warn) {
        warn(text);
    }
}

void State::TellDevicesChanged() {
    std::lock_guard lock(notifyMutex);
    if (deviceNotify) {
        deviceNotify->DevicesChanged();
    }
}

// --- The client -------------------------------------------------------------------------

jack_client_t* State::OpenActivated() {
    jack_status_t status{};
    jack_client_t* opened = jack_client_open(kClientName, JackNoStartServer, &status);
    if (!opened) {
        return nullptr;
    }
    jack_set_process_callback(opened, &JackSlotTable::Process, &ownPorts);
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

bool State::ServerStoppedSince(unsigned before) const {
    const auto limit = Clock::now() + std::chrono::milliseconds(500);
    while (serverStops.load() == before && Clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return serverStops.load() != before;
}

void State::Publish(jack_client_t* opened) {
    client = opened;
    ++generation;
    serverGone = false;
    namesStale = true;
}

bool State::OpenClient() {
    jack_client_t* opened = OpenActivated();
    if (opened) {
        std::lock_guard lock(mutex);
        Publish(opened);
    }
    return opened != nullptr;
}

void State::ConnectFirst() {
    if (!OpenClient()) {
        serverGone = true;
        Warn("the JACK server did not take the program's client");
    }
    TellDevicesChanged();
}

void State::StartWatcher(bool connectFirst) {
    if (!watcher.Open()) {
        Warn("cannot watch for the JACK server's return");
    }
    std::function<void()> first;
    if (connectFirst) {
        first = [this] { ConnectFirst(); };
    }
    watcher.Start(std::move(first), [this] {
        if (serverGone) {
            Reconnect();
        }
    });
}

void State::Reconnect() {
    const std::string socket = watcher.SocketPath();
    // The socket appears a moment before the server takes clients.
    for (int attempt = 0; attempt < 40 && !watcher.Stopping(); ++attempt) {
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
            for (JackSlot& slot : ownPorts.outputs) {
                slot.active = false;
                slot.port = nullptr;
                slot.spare = nullptr;
            }
            for (JackSlot& slot : ownPorts.inputs) {
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

// --- The device lists and the program's ports -------------------------------------------

void State::RefreshNames() {
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

void State::ListOnce() {
    if (listedGeneration != generation) {
        RefreshNames();
    }
}

bool State::PeerPresent(const JackSlot& slot) const {
    return !serverGone && slot.generation == generation && client && slot.port &&
           jack_port_connected_to(slot.port, slot.peer.c_str()) != 0;
}

void State::Release(JackSlot& slot) {
    slot.clearOnce = true;
    slot.active = false;
    ownPorts.WaitForCycle(serverGone);
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

jack_port_t* State::PortFor(JackSlot& slot, const char* base, std::size_t index,
                            unsigned long flags) {
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

bool State::Connect(const char* from, const char* to, const std::string& peer) {
    const auto limit = Clock::now() + std::chrono::milliseconds(20);
    while (jack_connect(client, from, to) != 0) {
        if (Clock::now() > limit || !jack_port_by_name(client, peer.c_str())) {
            Warn("cannot connect \"" + std::string(from) + "\" to \"" + to + "\"");
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // Under load the connection may show in the graph a moment after jack_connect returns,
    // and until then a send is refused as if the device had gone: wait until it shows.
    jack_port_t* own = jack_port_by_name(client, from == peer ? to : from);
    const auto shown = Clock::now() + std::chrono::milliseconds(500);
    while (own && !jack_port_connected_to(own, peer.c_str()) && Clock::now() < shown) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// --- JACK's notification thread ---------------------------------------------------------

void State::PortRegistered(jack_port_id_t, int, void* arg) {
    auto* state = static_cast<State*>(arg);
    state->namesStale = true;
    state->TellDevicesChanged();
}

void State::PortRenamed(jack_port_id_t, const char*, const char*, void* arg) {
    PortRegistered(0, 0, arg);
}

int State::GraphChanged(void* arg) {
    PortRegistered(0, 0, arg);
    return 0;
}

void State::ServerShutDown(jack_status_t, const char* reason, void* arg) {
    auto* state = static_cast<State*>(arg);
    state->serverGone = true;
    state->namesStale = true;
    state->Warn(std::string("the JACK server stopped: ") + (reason ? reason : ""));
    state->watcher.Wake();
    state->TellDevicesChanged();
    ++state->serverStops;
}
