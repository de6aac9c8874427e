// Internal to the JACK backend: what it keeps for each of the program's own ports. The
// slots are a fixed number of each kind, so that the process thread walks arrays that
// never move or grow.
#pragma once

#include "midi/InputQueue.h"
#include "midi/JackMessageRing.h"
#include "midi/MidiBackend.h"
#include "midi/OutputEncoder.h"

#include <jack/types.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

// What both kinds of port keep. `active` publishes the slot to the process thread; the rest
// is written only by the user-interface thread while the slot is not active.
struct JackSlot {
    static constexpr std::size_t kCount = 8;

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

struct JackOutputSlot : JackSlot {
    JackMessageRing ring;
    OutputEncoder encoder;
};

struct JackInputSlot : JackSlot {
    std::atomic<bool> started{false};
    std::unique_ptr<InputQueue> queue;
    MidiInputNotify* notify = nullptr;
};
