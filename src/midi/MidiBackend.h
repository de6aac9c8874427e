// The MIDI library the port classes rely on: device lists and names, open calls that
// hand out handles above 32, one event out at a time, and input events drained on
// request after a "input waiting" notification. Implemented over RtMidi for the
// program and in memory for tests. Every port is made with the backend it talks to.
#pragma once

#include "midi/PortEvent.h"

#include <cstdint>
#include <optional>
#include <string>

// Told, from whatever thread the backend receives on, that input is waiting.
class MidiInputNotify {
public:
    virtual ~MidiInputNotify() = default;
    virtual void InputWaiting() = 0;
};

class MidiBackend {
public:
    using Handle = std::uint32_t;
    // Handles above this value mean success; the value itself and below mean failure.
    static constexpr Handle kFailureLimit = 32;
    static constexpr std::size_t kMaxNameLength = 31;

    virtual ~MidiBackend() = default;

    virtual int OutputCount() = 0;
    virtual int InputCount() = 0;
    // The device's name cut to 31 bytes, or nothing when the device cannot be described.
    virtual std::optional<std::string> OutputName(int device) = 0;
    virtual std::optional<std::string> InputName(int device) = 0;

    virtual Handle OpenOutput(int device, std::uint32_t option) = 0;
    // Hands one event to the output; 0 means it was taken.
    virtual int PutOutput(Handle handle, const PortEvent& event) = 0;
    virtual void ResetOutput(Handle handle) = 0;
    virtual void CloseOutput(Handle handle) = 0;

    virtual Handle OpenInput(int device, MidiInputNotify* notify, std::uint32_t option) = 0;
    virtual void StartInput(Handle handle) = 0;
    virtual void StopInput(Handle handle) = 0;
    virtual void CloseInput(Handle handle) = 0;
    // Takes the next waiting input event; false when none is waiting.
    virtual bool NextInput(Handle handle, PortEvent& event) = 0;
};

// A backend with no devices on which every open fails, as on a machine without any MIDI
// system; a base for backends that need only a few of the operations.
class NullMidiBackend : public MidiBackend {
public:
    int OutputCount() override { return 0; }
    int InputCount() override { return 0; }
    std::optional<std::string> OutputName(int) override { return std::nullopt; }
    std::optional<std::string> InputName(int) override { return std::nullopt; }
    Handle OpenOutput(int, std::uint32_t) override { return 0; }
    int PutOutput(Handle, const PortEvent&) override { return 1; }
    void ResetOutput(Handle) override {}
    void CloseOutput(Handle) override {}
    Handle OpenInput(int, MidiInputNotify*, std::uint32_t) override { return 0; }
    void StartInput(Handle) override {}
    void StopInput(Handle) override {}
    void CloseInput(Handle) override {}
    bool NextInput(Handle, PortEvent&) override { return false; }
};

// A shared backend without devices, for documents and ports that are never meant to reach a
// MIDI system (file conversion, tests of the model). It holds no state.
NullMidiBackend& NoMidiBackend();

// Cuts a device name to the length the port layer promises, without splitting a UTF-8 sequence.
std::string CutDeviceName(const std::string& name);
