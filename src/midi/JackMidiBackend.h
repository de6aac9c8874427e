// The JACK backend: one client for the whole program, opened once, through which the device
// lists, every input and every output go. The lists follow JACK's port registrations, the
// program's own ports never appear in them, and a server that stops is survived: its
// devices leave the lists, and when a server of the same name starts again the client
// comes back by itself and the lists fill again.
//
// Threads: the caller's (the user-interface thread), JACK's real-time process thread,
// which only copies between port buffers and lock-free rings, JACK's notification thread,
// and one thread that sleeps on inotify while the server is gone.
#pragma once

#include "midi/MidiBackend.h"

#include <memory>

struct JackBackendState;

class JackMidiBackend final : public MidiBackend {
public:
    // Opens the client on the server named by JACK_DEFAULT_SERVER (or the default one),
    // never starting a server; nullptr when none is running. In the background, the lists
    // are empty until the client is there, and the device notify is told then.
    static std::unique_ptr<JackMidiBackend> Create(MidiWarningHook warn,
                                                   MidiStart start = MidiStart::Now);
    ~JackMidiBackend() override;

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
    bool WaitUntilSent(Handle handle) override;
    void SetDeviceNotify(MidiDeviceNotify* notify) override;
    std::string Missing() const override;

    using State = JackBackendState;

private:
    explicit JackMidiBackend(std::unique_ptr<State> state);

    std::unique_ptr<State> m_state;
};
