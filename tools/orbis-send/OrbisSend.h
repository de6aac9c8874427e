// orbis-send: recalls a controller file on the processor without the window, for
// installations that set the processor up at boot. The logic runs against any MIDI
// backend so that it can be tested without a MIDI system.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class MidiBackend;

enum OrbisSendExit : int {
    kExitOk = 0,
    kExitFailure = 1, // the file, the MIDI system or the port
    kExitUsage = 2,   // the command line
};

// Opens the MIDI system; nullptr when there is none. Called only once the command line
// and the file have been checked, so that their errors are told as such.
using MidiSystemOpener = std::function<MidiBackend*()>;

// Runs the command with its arguments (without the program name). Errors are one line on
// err.
int RunOrbisSend(const std::vector<std::string>& arguments, const MidiSystemOpener& openMidi,
                 std::ostream& out, std::ostream& err);
// The same with the MIDI system already open, or nullptr when there is none.
int RunOrbisSend(const std::vector<std::string>& arguments, MidiBackend* backend, std::ostream& out,
                 std::ostream& err);
