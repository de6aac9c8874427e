// The output port the program sends through and the entry of the output device list it
// stands for: entry 0 is the list's prompt (no device), entry k is device k - 1. Choosing an
// entry opens its device; a device that did not open is not tried again until another entry
// is chosen. Sends report why nothing went out when the port is not open.
#pragma once

#include "midi/CMidiOutPort.h"

#include <cstddef>
#include <cstdint>
#include <span>

class OutputPortOwner {
public:
    // The fourth argument of every open call.
    static constexpr std::uint32_t kPortOption = 78624;

    explicit OutputPortOwner(MidiBackend& backend) : m_port(backend) {}

    // Opens the device of `entry`, closing the one open before. The entry chosen last returns
    // at once and touches nothing, whether or not its device opened.
    [[nodiscard]] MidiResult Choose(int entry);
    // Chooses `entry`; fails when nothing sent now would reach a device.
    [[nodiscard]] MidiResult OpenForSending(int entry);
    // The MIDI system renumbered the chosen device: the connection stands under `entry`.
    void Renumber(int entry) { m_device = entry - 1; }
    // The chosen device went away: the port is let go, and `entry` stays chosen without a
    // device until another is chosen or it returns.
    void LetGo(int entry);
    // The chosen device returned: opened anew on `entry`.
    [[nodiscard]] MidiResult Reopen(int entry);

    int Device() const { return m_device; }
    bool IsOpen() const { return m_port.IsOpen(); }
    // Open on the device of `entry` and still reaching it.
    bool IsConnectedTo(int entry) const { return m_port.IsAlive() && m_device == entry - 1; }
    const CMidiOutPort& Port() const { return m_port; }
    MidiBackend& Backend() const { return m_port.Backend(); }

    // One short message; data bytes outside 0-127 go out at the nearest end, so that none
    // reads as a status byte on the wire.
    MidiResult SendShort(int statusBase, int channel, int data1, int data2);
    MidiResult SendSysExByte(int byte);
    // A whole system-exclusive command, one byte per event.
    [[nodiscard]] MidiResult SendSysEx(std::span<const unsigned char> bytes);
    // A run of Control Changes, anything with channel, controller and value members. A
    // message the port refuses does not stop the run; the first refusal is reported.
    template <class Messages> [[nodiscard]] MidiResult SendControlChanges(const Messages& messages);

private:
    MidiResult NotSent() const;
    static void Keep(MidiResult& first, MidiResult next) {
        if (first && !next) {
            first = next;
        }
    }

    CMidiOutPort m_port;
    // The device of the entry chosen last; -1 is the prompt entry.
    int m_device = -1;
    // Why the chosen entry has no open port.
    MidiFailure m_notOpen = MidiFailure::NoDevice;
};

template <class Messages> MidiResult OutputPortOwner::SendControlChanges(const Messages& messages) {
    if (!IsOpen()) {
        return NotSent();
    }
    constexpr int kControlChange = 0xB0;
    MidiResult result;
    for (const auto& message : messages) {
        Keep(result, SendShort(kControlChange, message.channel, message.controller, message.value));
    }
    return result;
}
