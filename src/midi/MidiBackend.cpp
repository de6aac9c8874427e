#include "MidiBackend.h"

namespace {

// In force when no MIDI system could be opened.
NullMidiBackend g_emptyBackend;
MidiBackend* g_currentBackend = &g_emptyBackend;

} // namespace

MidiBackend& MidiBackend::Current() {
    return *g_currentBackend;
}

void MidiBackend::SetCurrent(MidiBackend* backend) {
    g_currentBackend = backend ? backend : &g_emptyBackend;
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
