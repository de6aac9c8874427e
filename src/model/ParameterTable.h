// The one description of every document value: its file key, reset value, the Control
// Change that carries it, its name as people read it, its unit and its group. The reset,
// the controller file, the send sections, the receiver, the undo history and the windows'
// readouts and screen-reader texts all ask these tables.
#pragma once

#include "model/CControllerDoc.h"
#include "model/ValueText.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class SendSection { None, Patchbay, Channels, Globals };

// Every value belongs to exactly one group; a group is what a person recalls or steps
// through as a whole.
enum class ParameterGroup {
    SourcePosition,
    Levels,
    Filters,
    Spatialization,
    SpeakerPosition,
    Globals,
    Patchbay,
};

struct ChannelParameter {
    std::string_view fileKey; // key in each channel dictionary, always ending in "0"
    ChannelArray CControllerDoc::*array;
    int resetValue;
    int controller; // Control Change number, -1 when never sent
    SendSection section;
    std::string_view shownName; // "LPF Cutoff": undo steps and screen readers
    ParameterGroup group;
    // The unit every window reads the value in, and the main window's readout caption
    // (empty when the readout never shows the value).
    ParameterLabel label;
};

struct GlobalParameter {
    std::string_view fileKey;
    int CControllerDoc::*member;
    int resetValue;
    int controlChannel; // MIDI channel index of its controller 0, -1 when never sent
    std::string_view shownName;
    ParameterGroup group;
    ParameterLabel label;
};

constexpr int kNotSent = -1;

// Per-channel arrays, in the document's declaration order.
extern const std::array<ChannelParameter, 40> kChannelParameters;
// Global scalars of the ninth dictionary, in file key order.
extern const std::array<GlobalParameter, 8> kGlobalParameters;

// The row of a key, which must be one of the tables'.
const ChannelParameter& ChannelParameterOf(ParameterKey key);
const GlobalParameter& GlobalParameterOf(ParameterKey key);
const ChannelParameter& ChannelParameterOf(ChannelArray CControllerDoc::*array);
const GlobalParameter& GlobalParameterOf(int CControllerDoc::*member);

// Labels of the per-channel parameters the main window shows; nullptr for the others.
const ParameterLabel* FindParameterLabel(ChannelArray CControllerDoc::*array);
// Labels of the global parameters the main window shows; nullptr for the others.
const ParameterLabel* FindParameterLabel(int CControllerDoc::*member);
// ValueLabel with the document's ShowRawValues, RoomSide and Frequence.
std::string ValueLabel(ValueUnit unit, int value, const CControllerDoc& doc);

// What a key's value is called, without its channel, and the group it belongs to.
std::string_view ShownName(ParameterKey key);
ParameterGroup GroupOf(ParameterKey key);
// A group's name as people read it: "Source Position", "Patchbay".
std::string_view GroupName(ParameterGroup group);
// Every group, in the order people meet them in the windows.
extern const std::array<ParameterGroup, 7> kParameterGroups;

// The channel parameter carried by a controller number, or nullptr.
const ChannelParameter* FindChannelParameterByController(int controller);
// The global parameter carried by controller 0 on this MIDI channel index, or nullptr.
const GlobalParameter* FindGlobalParameterByChannel(int channel);

// The key of a field of the document; the field must be one of the tables'.
ParameterKey KeyOf(ChannelArray CControllerDoc::*array, int channel);
ParameterKey KeyOf(int CControllerDoc::*member);

// Where a key's value stands in CControllerDoc::Values().
std::size_t ValueIndex(ParameterKey key);

// One Control Change of a section, on the MIDI channel index `channel`.
struct SectionMessage {
    int channel;
    int controller;
    int value;
};
// A whole section (Patchbay, Channels or Globals) with the document's values, in the order
// the processor has always been sent it.
std::vector<SectionMessage> SectionMessages(const CControllerDoc& doc, SendSection section);

// A Control Change received from the processor (status byte, controller, value) as the
// document value it carries, or nothing for what is not taken back: other messages, the
// ninth channel and above, unused controllers and the patchbay's route codes.
struct ReceivedValue {
    ParameterKey key;
    int value;
};
std::optional<ReceivedValue> ReceivedControlChange(int status, int controller, int value);

// Wire order of the send sections, by controller number.
extern const std::array<int, 7> kPatchbaySendOrder;
extern const std::array<int, 19> kChannelsSendOrder;
extern const std::array<int, 4> kGlobalsSendOrder; // MIDI channel index of each controller 0
