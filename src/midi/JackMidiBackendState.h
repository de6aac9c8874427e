// Internal to the JACK backend: what the backend's calls, JACK's notification thread and the
// watcher share, and the work on the client that needs it all at once: opening the client
// and bringing it back after the server returns, the device lists, and registering,
// connecting and releasing the program's ports. The real-time side is JackSlotTable.
#pragma once

#include "midi/JackServerWatcher.h"
#include "midi/JackSlotTable.h"
#include "midi/MidiBackend.h"

#include <jack/types.h>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

// JackMidiBackend::State: a struct of its own, so that this file needs nothing of the
// backend's class but the interface it implements.
struct JackBackendState {
    using Handle = MidiBackend::Handle;
    static constexpr Handle kFailureLimit = MidiBackend::kFailureLimit;

    MidiWarningHook warn;

    // Guards the client, the lists and the slots' set-up; never taken by the process thread.
    mutable std::mutex mutex;
    jack_client_t* client = nullptr;
    unsigned generation = 0;
    std::atomic<bool> serverGone{false};
    std::atomic<unsigned> serverStops{0}; // shutdown callbacks that have run to their end
    std::atomic<bool> namesStale{true};
    unsigned listedGeneration = 0; // the client whose ports the lists last showed
    std::vector<std::string> outputNames;
    std::vector<std::string> inputNames;
    JackSlotTable ownPorts;
    Handle nextHandle = kFailureLimit + 1;

    std::mutex notifyMutex;
    MidiDeviceNotify* deviceNotify = nullptr;

    JackServerWatcher watcher;

    void Warn(const std::string& text) const;
    void TellDevicesChanged();

    // --- The client ---------------------------------------------------------------------

    // Opens and activates a client; slow (tens of milliseconds), so never under the mutex.
    jack_client_t* OpenActivated();
    // Whether the shutdown callback has finished since `before`; waits a moment for it.
    bool ServerStoppedSince(unsigned before) const;
    // Makes an opened client the one every call uses; with the mutex held.
    void Publish(jack_client_t* opened);
    bool OpenClient();
    // The first connection, on the watcher's thread, so that the window does not wait for
    // it: the lists fill when it is there.
    void ConnectFirst();
    void StartWatcher(bool connectFirst);
    void Reconnect();

    // --- The device lists and the program's ports, with the mutex held -----------------

    // Lists the MIDI ports of the other clients that take input (flags JackPortIsInput) or
    // give it.
    void RefreshNames();
    // The lists as last counted, so that a device number names and opens the device the
    // caller was shown even when another came or went since; listed here only when nothing
    // was counted on this client yet.
    void ListOnce();
    // Still connected to its device: a device that left and came back, even between two
    // looks, has lost the connection and must be opened again.
    bool PeerPresent(const JackSlot& slot) const;

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

    // The port is disconnected and kept for the next open, and only while its client's
    // server is still there.
    void Release(JackSlot& slot);
    // The slot's port, registered anew unless a spare of this client is there.
    jack_port_t* PortFor(JackSlot& slot, const char* base, std::size_t index, unsigned long flags);
    // A device's client may have registered its port a moment before it is active, when
    // JACK refuses connections to it; such a connection is tried again for a few periods.
    // Returns once the connection shows in the graph, so a send right after it is taken.
    bool Connect(const char* from, const char* to, const std::string& peer);

    // --- JACK's notification thread -----------------------------------------------------

    static void PortRegistered(jack_port_id_t, int, void* arg);
    static void PortRenamed(jack_port_id_t, const char*, const char*, void* arg);
    static int GraphChanged(void* arg);
    static void ServerShutDown(jack_status_t, const char* reason, void* arg);
};
