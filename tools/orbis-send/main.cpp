#include "OrbisSend.h"

#include "midi/RtMidiBackend.h"

#include <algorithm>
#include <iostream>

int main(int argc, char* argv[]) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    std::unique_ptr<MidiBackend> backend;
    // Help and version must work on a machine without any MIDI system, without probing it.
    const bool needsMidi =
        std::none_of(arguments.begin(), arguments.end(), [](const std::string& a) {
            return a == "--help" || a == "-h" || a == "--version";
        });
    if (needsMidi) {
        backend = CreateSystemMidiBackend();
    }
    return RunOrbisSend(arguments, backend.get(), std::cout, std::cerr);
}
