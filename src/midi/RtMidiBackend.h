// The MIDI backend of the program: the system's MIDI through RtMidi, the ALSA sequencer
// first and JACK when the sequencer is unavailable. ORBIS_MIDI_API=alsa or jack forces one.
#pragma once

#include "midi/MidiBackend.h"

#include <functional>
#include <memory>
#include <string>

// Told why a MIDI system or device could not be used, in one line of English. The program
// routes it to a logging category that is off by default; the user sees nothing.
using MidiWarningHook = std::function<void(const std::string& warning)>;

// Whether the backend may still be connecting when it is handed out: a window can show at
// once and fill its lists when told, a command-line tool needs them now.
enum class MidiStart { Now, InBackground };

// The backend for this machine's MIDI system, or nullptr when there is none (no ALSA
// sequencer, no JACK server): the program then runs with no devices, silently.
std::unique_ptr<MidiBackend> CreateSystemMidiBackend(MidiWarningHook warn = {},
                                                     MidiStart start = MidiStart::Now);

// "ALSA", "JACK" or "none", for diagnostics.
std::string SystemMidiApiName(const MidiBackend* backend);
