// The MIDI library the port classes rely on: device lists and names, open calls that
// hand out handles above 32, one event out at a time, and input events drained on
// request after a "input waiting" notification. Implemented over RtMidi for the
// program and in memory for tests. Every port is made with the backend it talks to.
#pragma once

#include "midi/PortEvent.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Told why a MIDI system or device could not be used, in one line of English. The program
// routes it to a logging category that is off by default; the user sees nothing.
using MidiWarningHook = std::function<void(const std::string& warning)>;

// Whether the backend may still be connecting when it is handed out: a window can show at
// once and fill its lists when told, a command-line tool needs them now.
enum class MidiStart { Now, InBackground };

// Told, from whatever thread the backend receives on, that input is waiting.
class MidiInputNotify {
public:
    virtual ~MidiInputNotify() = default;
    virtual void InputWaiting() = 0;
};

// Told, from whatever thread the backend learns it on, that devices came or went (a USB
// interface plugged, a JACK client started, a server stopped). The lists may be renumbered.
class MidiDeviceNotify {
public:
    virtual ~MidiDeviceNotify() = default;
    virtual void DevicesChanged() = 0;
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

    // Whether an open handle still reaches its device (false once the device or the whole
    // MIDI system went away, until it is opened again).
    virtual bool IsAlive(Handle) { return true; }
    // Waits, a bounded time, until what was handed to the output has left; false when it
    // could not all leave (the device went away).
    virtual bool WaitUntilSent(Handle handle) { return IsAlive(handle); }

    // Where device changes are told; nullptr for nobody. The backend never calls it after
    // it has been set to another value and this call has returned.
    virtual void SetDeviceNotify(MidiDeviceNotify*) {}
    // Why there are no devices when the MIDI system itself is missing or gone, for the
    // device lists to say so; empty while the system is there.
    virtual std::string Missing() const { return {}; }
};

// A backend with no devices on which every open fails, as on a machine without any MIDI
// system; a base for backends that need only a few of the operations.
class NullMidiBackend : public MidiBackend {
public:
    NullMidiBackend() = default;
    explicit NullMidiBackend(std::string missing) : m_missing(std::move(missing)) {}

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
    std::string Missing() const override { return m_missing; }

private:
    std::string m_missing;
};

// A shared backend without devices, for documents and ports that are never meant to reach a
// MIDI system (file conversion, tests of the model). It holds no state.
NullMidiBackend& NoMidiBackend();

// Cuts a device name to the length the port layer promises, without splitting a UTF-8 sequence.
std::string CutDeviceName(const std::string& name);
// The name the device lists show; "Error inDevID = n" when the device cannot be described.
std::string OutputDeviceName(MidiBackend& backend, int n);
std::string InputDeviceName(MidiBackend& backend, int n);
