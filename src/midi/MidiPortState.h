// What the input and the output port hold alike, and the open step they share: describe the
// device, then open it unless already open; a handle of 32 or less means failure.
#pragma once

#include "midi/MidiBackend.h"
#include "midi/MidiResult.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

struct MidiPortState {
    MidiBackend::Handle handle = 0;
    std::uint32_t option = 0;
    std::int16_t device = 0;
    bool open = false;
    char description[32] = {};

    template <class OpenCall>
    MidiResult Open(int newDevice, std::uint32_t newOption, const std::optional<std::string>& name,
                    OpenCall openCall) {
        const std::string text = name ? CutDeviceName(*name) : std::string();
        std::memset(description, 0, sizeof description);
        std::memcpy(description, text.data(), std::min(text.size(), sizeof description - 1));
        if (open) {
            return {};
        }
        option = newOption;
        device = static_cast<std::int16_t>(newDevice);
        handle = openCall(newDevice, newOption);
        if (handle > MidiBackend::kFailureLimit) {
            open = true;
            return {};
        }
        handle = 0;
        return name ? MidiFailure::OpenFailed : MidiFailure::NoDevice;
    }
};
