// The backend for the ALSA sequencer, through RtMidi. The program chooses between it and
// the JACK backend in SystemMidiBackend.
#pragma once

#include "midi/MidiBackend.h"

#include <memory>

// The sequencer's backend, or nullptr when there is no sequencer or RtMidi cannot use it,
// the reason then told to warn.
std::unique_ptr<MidiBackend> CreateAlsaMidiBackend(const MidiWarningHook& warn);

// Whether backend is one that CreateAlsaMidiBackend made.
bool IsAlsaMidiBackend(const MidiBackend* backend);
