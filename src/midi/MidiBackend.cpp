#include "midi/MidiBackend.h"

#include "midi/MidiResult.h"

NullMidiBackend& NoMidiBackend() {
    static NullMidiBackend none;
    return none;
}

const char* MidiResult::Describe() const {
    switch (m_failure) {
    case MidiFailure::None:
        return "done";
    case MidiFailure::NoDevice:
        return "no such device";
    case MidiFailure::OpenFailed:
        return "the MIDI system would not open the device";
    case MidiFailure::SendFailed:
        return "the MIDI system refused the message (the device may have gone)";
    case MidiFailure::DeviceGone:
        return "the device has gone";
    }
    return "unknown failure";
}

std::string CutDeviceName(const std::string& name) {
    if (name.size() <= MidiBackend::kMaxNameLength) {
        return name;
    }
    std::size_t length = MidiBackend::kMaxNameLength;
    // Step back over UTF-8 continuation bytes so no character is cut in half.
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) {
        --length;
    }
    return name.substr(0, length);
}

namespace {

std::string ListedName(const std::optional<std::string>& name, int n) {
    return name ? *name : "Error inDevID = " + std::to_string(n);
}

} // namespace

std::string OutputDeviceName(MidiBackend& backend, int n) {
    return ListedName(backend.OutputName(n), n);
}

std::string InputDeviceName(MidiBackend& backend, int n) {
    return ListedName(backend.InputName(n), n);
}
