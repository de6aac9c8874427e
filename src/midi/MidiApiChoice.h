// Which MIDI system the programs use, as ORBIS_MIDI_API chooses it, and what to tell a
// user when that system is not there.
#pragma once

#include <optional>
#include <string>

enum class MidiApiChoice {
    Automatic, // the ALSA sequencer, else JACK
    Alsa,
    Jack,
};

// "alsa" or "jack" in any case; unset or empty is Automatic; nothing for another value.
std::optional<MidiApiChoice> ParseMidiApiChoice(const char* value);
std::optional<MidiApiChoice> MidiApiChoiceFromEnvironment();

// The error for a value ParseMidiApiChoice does not know, naming the accepted values.
std::string UnknownMidiApiText(const std::string& value);
// What is missing and what to do about it, when no MIDI system of that choice is usable.
std::string NoMidiSystemAdvice(MidiApiChoice choice);
