// The one description of every document value: its file key, reset value and the Control
// Change that carries it. The reset, the controller file, the send sections and the
// receiver all walk these tables.
#pragma once

#include "model/CControllerDoc.h"

#include <array>
#include <string_view>

enum class SendSection { None, Patchbay, Channels };

struct ChannelParameter {
    std::string_view fileKey; // key in each channel dictionary, always ending in "0"
    ChannelArray CControllerDoc::*array;
    int resetValue;
    int controller; // Control Change number, -1 when never sent
    SendSection section;
};

struct GlobalParameter {
    std::string_view fileKey;
    int CControllerDoc::*member;
    int resetValue;
    int controlChannel; // MIDI channel index of its controller 0, -1 when never sent
};

constexpr int kNotSent = -1;

// Per-channel arrays, in the document's declaration order.
extern const std::array<ChannelParameter, 40> kChannelParameters;
// Global scalars of the ninth dictionary, in file key order.
extern const std::array<GlobalParameter, 8> kGlobalParameters;

// The channel parameter carried by a controller number, or nullptr.
const ChannelParameter* FindChannelParameterByController(int controller);
// The global parameter carried by controller 0 on this MIDI channel index, or nullptr.
const GlobalParameter* FindGlobalParameterByChannel(int channel);

// The key of a field of the document; the field must be one of the tables'.
ParameterKey KeyOf(ChannelArray CControllerDoc::*array, int channel);
ParameterKey KeyOf(int CControllerDoc::*member);

// Where a key's value stands in CControllerDoc::Values().
std::size_t ValueIndex(ParameterKey key);

// Wire order of the send sections, by controller number.
extern const std::array<int, 7> kPatchbaySendOrder;
extern const std::array<int, 19> kChannelsSendOrder;
extern const std::array<int, 4> kGlobalsSendOrder; // MIDI channel index of each controller 0
