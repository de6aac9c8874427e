#include "MidiBackend.h"

namespace {

// The backend in force when no MIDI system could be opened: no devices, every open fails.
class EmptyMidiBackend final : public MidiBackend {
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

EmptyMidiBackend g_emptyBackend;
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
