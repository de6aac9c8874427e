#include "osc/OscMessage.h"

#include <lo/lo.h>

#include <cstdlib>
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
        switch (types[i]) {
        case LO_INT32:
            result.arguments.emplace_back(argv[i]->i);
            break;
        case LO_FLOAT:
            result.arguments.emplace_back(argv[i]->f);
            break;
        case LO_STRING:
            result.arguments.emplace_back(std::string(&argv[i]->s));
            break;
        default:
            return std::nullopt;
        }
    }
    return result;
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
