// orbis-send: recalls a controller file on the processor without the window, for
// installations that set the processor up at boot. The logic runs against any MIDI
// backend so that it can be tested without a MIDI system.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class MidiBackend;

enum OrbisSendExit : int {
    kExitOk = 0,
    kExitFailure = 1, // the file, the MIDI system or the port
    kExitUsage = 2,   // the command line
};

// Runs the command with its arguments (without the program name). backend is the MIDI
// system, or nullptr when there is none. Errors are one line on err.
int RunOrbisSend(const std::vector<std::string>& arguments, MidiBackend* backend, std::ostream& out,
                 std::ostream& err);
