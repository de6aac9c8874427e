#include "midi/OutputPortOwner.h"

#include <algorithm>

namespace {

std::uint8_t DataByte(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 127));
}

} // namespace

MidiResult OutputPortOwner::Choose(int entry) {
    const int device = entry - 1;
    if (device == m_device) {
        return {};
    }
    m_port.Close();
    m_device = device;
    const MidiResult opened = m_port.Open(device, kPortOption);
    m_notOpen = opened.Failure();
    return opened;
}

MidiResult OutputPortOwner::OpenForSending(int entry) {
    const MidiResult chosen = Choose(entry);
    return chosen && !IsOpen() ? NotSent() : chosen;
}

void OutputPortOwner::LetGo(int entry) {
    m_port.Close();
    m_device = entry - 1;
    m_notOpen = MidiFailure::DeviceGone;
}

MidiResult OutputPortOwner::Reopen(int entry) {
    m_port.Close();
    m_device = -2;
    return Choose(entry);
}

MidiResult OutputPortOwner::NotSent() const {
    return m_notOpen == MidiFailure::None ? MidiFailure::NoDevice : m_notOpen;
}

MidiResult OutputPortOwner::SendShort(int statusBase, int channel, int data1, int data2) {
    if (!IsOpen()) {
        return NotSent();
    }
    PortEvent event;
    event.status = static_cast<std::uint8_t>((statusBase + channel) & 0xFF);
    event.data1 = DataByte(data1);
    event.data2 = DataByte(data2);
    return m_port.Put(event);
}

MidiResult OutputPortOwner::SendSysExByte(int byte) {
    if (!IsOpen()) {
        return NotSent();
    }
    PortEvent event;
    event.status = kSysExStatus;
    event.data1 = static_cast<std::uint8_t>(byte & 0xFF);
    return m_port.Put(event);
}

MidiResult OutputPortOwner::SendSysEx(std::span<const unsigned char> bytes) {
    if (!IsOpen()) {
        return NotSent();
    }
    MidiResult result;
    for (const unsigned char byte : bytes) {
        Keep(result, SendSysExByte(byte));
    }
    return result;
}
