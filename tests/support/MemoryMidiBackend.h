// A MIDI backend held in memory: devices are declared by the caller, what goes out is
// recorded as wire messages, and input is injected. The test double of the port layer,
// for tests and benchmarks.
#pragma once

#include "midi/MidiBackend.h"
#include "midi/OutputEncoder.h"

#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <vector>

class MemoryMidiBackend final : public MidiBackend {
public:
    using Message = std::vector<std::uint8_t>;

    // A device without a name cannot be described; a failing device never opens.
    void AddOutputDevice(std::optional<std::string> name, bool opens = true);
    void AddInputDevice(std::optional<std::string> name, bool opens = true);

    // Every whole message that reached the wire of an output device, in order.
    std::vector<Message> SentTo(int device) const;
    // Every event handed to PutOutput on any handle, before encoding.
    std::vector<PortEvent> PutEvents() const;
    // Open, reset, close, start and stop calls, e.g. "open-out 2", "close-in 0".
    std::vector<std::string> Calls() const;
    void ClearRecords();
    // Simulates the device disappearing: every handle on it stops taking events.
    void UnplugOutput(int device);

    // Scripted announcements, as a MIDI system makes them when devices come and go: a
    // withdrawn device leaves the list (the others are renumbered) and its handles stop
    // working; a restored one comes back at its place. `device` is the number the device
    // had when it was added, which SentTo also takes. Each tells the device notify.
    void WithdrawOutput(int device);
    void RestoreOutput(int device);
    void WithdrawInput(int device);
    void RestoreInput(int device);

    // Queues an event on every started input handle of the device and notifies it.
    void Inject(int device, const PortEvent& event);

    int OutputCount() override;
    int InputCount() override;
    std::optional<std::string> OutputName(int device) override;
    std::optional<std::string> InputName(int device) override;
    Handle OpenOutput(int device, std::uint32_t option) override;
    int PutOutput(Handle handle, const PortEvent& event) override;
    void ResetOutput(Handle handle) override;
    void CloseOutput(Handle handle) override;
    Handle OpenInput(int device, MidiInputNotify* notify, std::uint32_t option) override;
    void StartInput(Handle handle) override;
    void StopInput(Handle handle) override;
    void CloseInput(Handle handle) override;
    bool NextInput(Handle handle, PortEvent& event) override;
    bool IsAlive(Handle handle) override;
    void SetDeviceNotify(MidiDeviceNotify* notify) override;

private:
    struct Device {
        std::optional<std::string> name;
        bool opens = true;
        bool present = true;
        std::vector<Message> sent;
        bool listed = true;
    };
    struct Output {
        int device = 0;
        OutputEncoder encoder;
    };
    struct Input {
        int device = 0;
        MidiInputNotify* notify = nullptr;
        bool started = false;
        std::deque<PortEvent> waiting;
    };

    void Record(std::string call);
    // The device a list number stands for, counting listed devices only; -1 when none.
    static int Listed(const std::vector<Device>& devices, int number);
    void SetListed(std::vector<Device>& devices, int device, bool listed);

    mutable std::mutex m_mutex;
    std::vector<Device> m_outputs;
    std::vector<Device> m_inputs;
    std::map<Handle, Output> m_openOutputs;
    std::map<Handle, Input> m_openInputs;
    std::vector<PortEvent> m_putEvents;
    std::vector<std::string> m_calls;
    Handle m_nextHandle = kFailureLimit + 1;
    MidiDeviceNotify* m_deviceNotify = nullptr;
};
