#include "midi/JackSlotTable.h"

#include "midi/IncomingMessage.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <chrono>
#include <optional>
#include <thread>

int JackSlotTable::Process(jack_nframes_t frames, void* arg) {
    auto* table = static_cast<JackSlotTable*>(arg);
    for (JackOutputSlot& slot : table->outputs) {
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
    for (JackInputSlot& slot : table->inputs) {
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
    table->cycles.fetch_add(1, std::memory_order_release);
    return 0;
}

void JackSlotTable::WaitForCycle(const std::atomic<bool>& serverGone) const {
    using Clock = std::chrono::steady_clock;
    if (serverGone) {
        return;
    }
    const std::uint64_t seen = cycles.load();
    const auto limit = Clock::now() + std::chrono::milliseconds(200);
    while (cycles.load() < seen + 2 && Clock::now() < limit && !serverGone) {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}
