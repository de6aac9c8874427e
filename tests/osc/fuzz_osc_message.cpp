// libFuzzer entry for the OSC receiving path (built with clang only): any datagram, as a
// session manager or an OSC controller might send, decoded as a packet and read as control.
// Whatever decodes must encode again to a message that decodes to the same thing.
#include "osc/OscControl.h"
#include "osc/OscMessage.h"

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const OscMessage& message : DecodeOscPacket(data, size)) {
        for (const OscCommand& command : ReadOscCommands(message, 1 + size % 9)) {
            const auto& distance = command.values[2];
            if (command.channel > 7 || (command.values[0] && !std::isfinite(*command.values[0])) ||
                (command.kind == OscCommand::Kind::Polar && distance &&
                 !(*distance >= 0 && *distance <= 1))) {
                __builtin_trap();
            }
        }
    }
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
