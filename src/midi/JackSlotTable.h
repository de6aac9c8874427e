// The program's own JACK ports as the real-time process thread sees them: the fixed slots
// and the process callback that copies between their port buffers and their rings. This is
// all that thread touches, and none of it locks, allocates or blocks.
#pragma once

#include "midi/JackSlot.h"

#include <jack/types.h>

#include <array>
#include <atomic>
#include <cstdint>

struct JackSlotTable {
    std::atomic<std::uint64_t> cycles{0}; // process cycles run to their end
    std::array<JackOutputSlot, JackSlot::kCount> outputs;
    std::array<JackInputSlot, JackSlot::kCount> inputs;

    // JACK's process callback; `arg` is the table.
    static int Process(jack_nframes_t frames, void* arg);

    // Waits until the process thread has finished any cycle that may still see a slot just
    // made inactive. Bounded, and skipped when no server runs the thread.
    void WaitForCycle(const std::atomic<bool>& serverGone) const;
};
