// One OSC message as the program speaks it: an address and int32, float and string
// arguments. The wire format is liblo's; bundles and other argument types are not taken.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

using OscArgument = std::variant<std::int32_t, float, std::string>;

struct OscMessage {
    std::string path;
    std::vector<OscArgument> arguments;

    // The OSC type tags of the arguments, "sis" for a string, an int32 and a string.
    std::string Types() const;
    // The argument at `index` when it has that type.
    const std::string* String(std::size_t index) const;
    std::optional<std::int32_t> Int(std::size_t index) const;
    std::optional<float> Float(std::size_t index) const;

    friend bool operator==(const OscMessage&, const OscMessage&) = default;
};

// The message in a received datagram, or nothing for anything malformed, a bundle, or an
// argument type other than i, f and s.
std::optional<OscMessage> DecodeOsc(const void* data, std::size_t size);
// Every message in a datagram: one message, or the messages of a bundle and of the bundles
// within it, in order. Malformed elements are left out and counted in `dropped`.
std::vector<OscMessage> DecodeOscPacket(const void* data, std::size_t size, int* dropped = nullptr);
// The datagram of a message; empty when liblo cannot encode it.
std::vector<char> EncodeOsc(const OscMessage& message);
