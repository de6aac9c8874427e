#include "OrbisSend.h"

#include "midi/SystemMidiBackend.h"

#include <iostream>

int main(int argc, char* argv[]) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // The MIDI system is probed only when the command gets that far: help, version, a bad
    // command line or a bad file never touch it.
    std::unique_ptr<MidiBackend> backend;
    const auto openMidi = [&backend] {
        backend = CreateSystemMidiBackend();
        return backend.get();
    };
    return RunOrbisSend(arguments, openMidi, std::cout, std::cerr);
}
