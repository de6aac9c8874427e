// What the document tells its subscribers: which values changed, from what to what, whether
// its name changed, and who changed them. Undo, the recovery journal, the unsaved-changes mark and
// the windows all follow the document through this one notice instead of comparing or polling.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

class CControllerDoc;
// The type of the document's per-channel arrays.
using ChannelArray = int[8];

enum class ChangeOrigin {
    Gesture, // a person, through a control or a window
    Undo,    // the history putting a value back
    Live,    // the tracker, incoming MIDI, the network
    Load,    // a file, New, a factory preset, a recovery
    Device,  // the device list renumbered under a chosen output
    Cue,     // a cue's fade, which sends its values itself and is one undo step of its own
};

// One value of the document: a row of kChannelParameters and its channel, or a row of
// kGlobalParameters (channel kGlobal).
struct ParameterKey {
    static constexpr int kGlobal = -1;

    std::int16_t row = 0;
    std::int16_t channel = kGlobal;

    static constexpr ParameterKey Channel(int row, int channel) {
        return {static_cast<std::int16_t>(row), static_cast<std::int16_t>(channel)};
    }
    static constexpr ParameterKey Global(int row) {
        return {static_cast<std::int16_t>(row), kGlobal};
    }
    constexpr bool IsGlobal() const { return channel == kGlobal; }
    friend constexpr bool operator==(ParameterKey, ParameterKey) = default;
};

struct ValueChange {
    ParameterKey key;
    int oldValue = 0;
    int newValue = 0;
};

struct DocumentChanges {
    ChangeOrigin origin = ChangeOrigin::Gesture;
    // Empty only when the notice is a rename alone: an unchanged value tells nothing.
    std::vector<ValueChange> values;
    // The document's name changed (read it from the document).
    bool renamed = false;
};

using DocumentListener = std::function<void(const DocumentChanges&)>;
