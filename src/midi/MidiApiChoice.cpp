#include "midi/MidiApiChoice.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

constexpr const char* kNoSequencer =
    "no ALSA sequencer (load its module with \"sudo modprobe snd-seq\", or check that "
    "/dev/snd/seq exists and this user may read and write it)";
constexpr const char* kNoJack = "no JACK server (start one; on PipeWire run the program "
                                "under pw-jack)";

} // namespace

std::optional<MidiApiChoice> ParseMidiApiChoice(const char* value) {
    if (!value || !*value) {
        return MidiApiChoice::Automatic;
    }
    std::string lowered(value);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lowered == "alsa") {
        return MidiApiChoice::Alsa;
    }
    if (lowered == "jack") {
        return MidiApiChoice::Jack;
    }
    return std::nullopt;
}

std::optional<MidiApiChoice> MidiApiChoiceFromEnvironment() {
    return ParseMidiApiChoice(std::getenv("ORBIS_MIDI_API"));
}

std::string UnknownMidiApiText(const std::string& value) {
    return "ORBIS_MIDI_API=" + value +
           " is not a MIDI system; use alsa or jack, or leave it unset to try both";
}

std::string NoMidiSystemAdvice(MidiApiChoice choice) {
    switch (choice) {
    case MidiApiChoice::Alsa:
        return std::string("no MIDI system: ") + kNoSequencer;
    case MidiApiChoice::Jack:
        return std::string("no MIDI system: ") + kNoJack;
    case MidiApiChoice::Automatic:
        break;
    }
    return std::string("no MIDI system: ") + kNoSequencer + ", and " + kNoJack;
}
