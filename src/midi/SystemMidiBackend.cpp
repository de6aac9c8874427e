#include "midi/SystemMidiBackend.h"

#include "midi/JackMidiBackend.h"
#include "midi/MidiApiChoice.h"
#include "midi/RtMidiBackend.h"

#include <cstdlib>
#include <optional>
#include <utility>

std::unique_ptr<MidiBackend> CreateSystemMidiBackend(MidiWarningHook warn, MidiStart start) {
    const std::optional<MidiApiChoice> choice = MidiApiChoiceFromEnvironment();
    if (!choice) {
        if (warn) {
            warn(UnknownMidiApiText(std::getenv("ORBIS_MIDI_API")));
        }
        return nullptr;
    }
    if (*choice != MidiApiChoice::Jack) {
        if (auto backend = CreateAlsaMidiBackend(warn)) {
            return backend;
        }
    }
    if (*choice != MidiApiChoice::Alsa) {
        return JackMidiBackend::Create(std::move(warn), start);
    }
    return nullptr;
}

std::string SystemMidiApiName(const MidiBackend* backend) {
    if (dynamic_cast<const JackMidiBackend*>(backend)) {
        return "JACK";
    }
    return IsAlsaMidiBackend(backend) ? "ALSA" : "none";
}
