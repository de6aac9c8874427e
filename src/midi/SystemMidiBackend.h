// The MIDI backend of the program: the system's MIDI, the ALSA sequencer first and JACK
// when the sequencer is unavailable. ORBIS_MIDI_API=alsa or jack forces one.
#pragma once

#include "midi/MidiBackend.h"

#include <memory>
#include <string>

// The backend for this machine's MIDI system, or nullptr when there is none (no ALSA
// sequencer, no JACK server): the program then runs with no devices, silently.
std::unique_ptr<MidiBackend> CreateSystemMidiBackend(MidiWarningHook warn = {},
                                                     MidiStart start = MidiStart::Now);

// "ALSA", "JACK" or "none", for diagnostics.
std::string SystemMidiApiName(const MidiBackend* backend);
