#include "osc/OscMessage.h"

#include <lo/lo.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct MessageDeleter {
    void operator()(lo_message message) const { lo_message_free(message); }
};
using MessagePtr = std::unique_ptr<std::remove_pointer_t<lo_message>, MessageDeleter>;

} // namespace

std::string OscMessage::Types() const {
    std::string types;
    for (const OscArgument& argument : arguments) {
        types += std::holds_alternative<std::int32_t>(argument) ? 'i'
                 : std::holds_alternative<float>(argument)      ? 'f'
                                                                : 's';
    }
    return types;
}

const std::string* OscMessage::String(std::size_t index) const {
    return index < arguments.size() ? std::get_if<std::string>(&arguments[index]) : nullptr;
}

std::optional<std::int32_t> OscMessage::Int(std::size_t index) const {
    if (index < arguments.size()) {
        if (const auto* value = std::get_if<std::int32_t>(&arguments[index])) {
            return *value;
        }
    }
    return std::nullopt;
}

std::optional<float> OscMessage::Float(std::size_t index) const {
    if (index < arguments.size()) {
        if (const auto* value = std::get_if<float>(&arguments[index])) {
            return *value;
        }
    }
    return std::nullopt;
}

std::optional<OscMessage> DecodeOsc(const void* data, std::size_t size) {
    // liblo reads the buffer in place and may look at its end; it gets a copy it can keep.
    std::vector<char> copy(static_cast<const char*>(data), static_cast<const char*>(data) + size);
    if (copy.empty() || copy[0] != '/') {
        return std::nullopt; // a bundle ("#bundle") or not OSC
    }
    int error = 0;
    const MessagePtr message(lo_message_deserialise(copy.data(), copy.size(), &error));
    if (!message || error != 0) {
        return std::nullopt;
    }
    OscMessage result;
    result.path = copy.data(); // the address is NUL-terminated: deserialising checked that
    const char* types = lo_message_get_types(message.get());
    lo_arg** argv = lo_message_get_argv(message.get());
    const int count = lo_message_get_argc(message.get());
    for (int i = 0; i < count; ++i) {
        // liblo's arguments lie 4-byte aligned in its buffer, less than its union asks for:
        // they are copied out, never read through the union.
        const auto* bytes = reinterpret_cast<const char*>(argv[i]);
        switch (types[i]) {
        case LO_INT32: {
            std::int32_t value = 0;
            std::memcpy(&value, bytes, sizeof value);
            result.arguments.emplace_back(value);
            break;
        }
        case LO_FLOAT: {
            float value = 0;
            std::memcpy(&value, bytes, sizeof value);
            result.arguments.emplace_back(value);
            break;
        }
        case LO_STRING:
            result.arguments.emplace_back(std::string(bytes));
            break;
        default:
            return std::nullopt;
        }
    }
    return result;
}

namespace {

constexpr int kMaxBundleDepth = 8;
constexpr char kBundleTag[] = "#bundle"; // with its NUL, 8 bytes

void DecodeElement(const char* data, std::size_t size, int depth, std::vector<OscMessage>& out,
                   int& dropped) {
    if (size >= 16 && std::memcmp(data, kBundleTag, sizeof kBundleTag) == 0) {
        if (depth >= kMaxBundleDepth) {
            ++dropped;
            return;
        }
        // "#bundle", an 8-byte time tag (taken as "now"), then elements of a 4-byte
        // big-endian size each.
        std::size_t at = 16;
        while (at + 4 <= size) {
            const auto* b = reinterpret_cast<const unsigned char*>(data + at);
            const std::size_t length = (std::size_t{b[0]} << 24) | (std::size_t{b[1]} << 16) |
                                       (std::size_t{b[2]} << 8) | std::size_t{b[3]};
            at += 4;
            if (length == 0 || length % 4 != 0 || length > size - at) {
                ++dropped;
                return;
            }
            DecodeElement(data + at, length, depth + 1, out, dropped);
            at += length;
        }
        if (at != size) {
            ++dropped;
        }
        return;
    }
    if (auto message = DecodeOsc(data, size)) {
        out.push_back(std::move(*message));
    } else {
        ++dropped;
    }
}

} // namespace

std::vector<OscMessage> DecodeOscPacket(const void* data, std::size_t size, int* dropped) {
    std::vector<OscMessage> messages;
    int bad = 0;
    DecodeElement(static_cast<const char*>(data), size, 0, messages, bad);
    if (dropped) {
        *dropped = bad;
    }
    return messages;
}

std::vector<char> EncodeOsc(const OscMessage& message) {
    const MessagePtr encoded(lo_message_new());
    for (const OscArgument& argument : message.arguments) {
        if (const auto* i = std::get_if<std::int32_t>(&argument)) {
            lo_message_add_int32(encoded.get(), *i);
        } else if (const auto* f = std::get_if<float>(&argument)) {
            lo_message_add_float(encoded.get(), *f);
        } else {
            lo_message_add_string(encoded.get(), std::get<std::string>(argument).c_str());
        }
    }
    std::size_t size = 0;
    void* bytes = lo_message_serialise(encoded.get(), message.path.c_str(), nullptr, &size);
    if (!bytes) {
        return {};
    }
    std::vector<char> datagram(static_cast<char*>(bytes), static_cast<char*>(bytes) + size);
    std::free(bytes);
    return datagram;
}
