// libFuzzer entry for the OSC decoder (built with clang only): any datagram, as from the
// session manager's address. Whatever decodes must encode again to a message that decodes
// to the same thing.
#include "osc/OscMessage.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto message = DecodeOsc(data, size);
    if (message) {
        const std::vector<char> again = EncodeOsc(*message);
        const auto decoded = DecodeOsc(again.data(), again.size());
        if (!decoded || decoded->path != message->path || decoded->Types() != message->Types()) {
            __builtin_trap();
        }
    }
    return 0;
}
