#include "osc/OscControl.h"

#include "model/ParameterTable.h"
#include "osc/OscPattern.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <string_view>

namespace {

using Kind = OscCommand::Kind;

constexpr int kObjects = 8;
constexpr std::size_t kMaxParts = 6;

OscCommand Command(Kind kind, int channel, int row, std::string address) {
    OscCommand command;
    command.kind = kind;
    command.channel = channel;
    command.row = row;
    command.address = std::move(address);
    return command;
}

std::vector<std::string> Parts(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 1;
    while (start <= path.size() && parts.size() <= kMaxParts) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool Matches(std::string_view name, const std::string& pattern) {
    return MatchOscPattern(pattern, name);
}

// Which of the eight numbers from `first` on the pattern matches, matched once each.
std::array<bool, kObjects> MatchNumbers(int first, const std::string& pattern) {
    std::array<bool, kObjects> matched{};
    for (int i = 0; i < kObjects; ++i) {
        matched[static_cast<std::size_t>(i)] = Matches(std::to_string(first + i), pattern);
    }
    return matched;
}

// The message's arguments as numbers (int32 or float), or nothing when one is not a finite
// number or the count is not `count`.
std::optional<std::array<double, 3>> Numbers(const OscMessage& message, std::size_t count) {
    if (message.arguments.size() != count) {
        return std::nullopt;
    }
    std::array<double, 3> numbers{};
    for (std::size_t i = 0; i < count; ++i) {
        if (const auto n = message.Int(i)) {
            numbers[i] = *n;
        } else if (const auto f = message.Float(i); f && std::isfinite(*f)) {
            numbers[i] = *f;
        } else {
            return std::nullopt;
        }
    }
    return numbers;
}

// /adm/obj/{n}/{attribute}
void ReadObject(const OscMessage& message, const std::vector<std::string>& parts, int firstObject,
                std::vector<OscCommand>& commands) {
    const auto objects = MatchNumbers(firstObject, parts[2]);
    for (const OscObjectAttribute& attribute : kOscObjectAttributes) {
        if (!Matches(attribute.name, parts[3])) {
            continue;
        }
        const bool query = message.arguments.empty();
        const auto numbers = query ? std::array<double, 3>{} : Numbers(message, attribute.Count());
        if (!numbers) {
            continue;
        }
        for (int channel = 0; channel < kObjects; ++channel) {
            if (!objects[static_cast<std::size_t>(channel)]) {
                continue;
            }
            const std::string object = std::to_string(firstObject + channel);
            OscCommand command = Command(attribute.kind, channel, -1,
                                         "/adm/obj/" + object + "/" + std::string(attribute.name));
            command.query = query;
            for (std::size_t i = 0; i < attribute.places.size() && !query; ++i) {
                if (attribute.places[i] >= 0) {
                    command.values[static_cast<std::size_t>(attribute.places[i])] = (*numbers)[i];
                }
            }
            // Past the edge of the room is on it: a negative distance would mirror the source.
            if (attribute.kind == Kind::Polar && command.values[2]) {
                command.values[2] = std::clamp(*command.values[2], 0.0, 1.0);
            }
            commands.push_back(command);
        }
    }
}

// A 0-127 value, a query, or nothing.
bool ReadValue(const OscMessage& message, OscCommand& command) {
    if (message.arguments.empty()) {
        command.query = true;
        return true;
    }
    const auto number = Numbers(message, 1);
    if (!number) {
        return false;
    }
    command.values[0] = std::clamp(std::round((*number)[0]), 0.0, 127.0);
    return true;
}

// A cue's number as written in an address: a plain finite number, no pattern.
std::optional<double> CueNumber(const std::string& text) {
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(number)) {
        return std::nullopt;
    }
    return number;
}

// Channel numbers 1-8 (int32, or floats holding a whole number) as a mask; nothing when one
// is anything else or there is none.
std::optional<double> ChannelMask(const OscMessage& message) {
    unsigned mask = 0;
    for (std::size_t i = 0; i < message.arguments.size(); ++i) {
        const auto number = Numbers(OscMessage{{}, {message.arguments[i]}}, 1);
        const double channel = number ? (*number)[0] : 0.0;
        if (channel != std::round(channel) || channel < 1 || channel > kObjects) {
            return std::nullopt;
        }
        mask |= 1U << (static_cast<int>(channel) - 1);
    }
    return mask == 0 ? std::nullopt : std::optional<double>(mask);
}

// /orbis/cue/{action}, /orbis/cue/{live,count}, /orbis/cue/{n}/{fade,path,channels}
void ReadCue(const OscMessage& message, const std::vector<std::string>& parts,
             std::vector<OscCommand>& commands) {
    const bool bare = message.arguments.empty();
    if (parts.size() == 3) {
        for (const auto& [name, kind] : kOscCueActions) {
            if (parts[1] == "cue" && parts[2] == name && bare) {
                commands.push_back(Command(kind, -1, -1, "/orbis/cue/" + std::string(name)));
            }
        }
        if (parts[1] == "cue" && parts[2] == "fire") {
            if (const auto number = Numbers(message, 1)) {
                OscCommand command = Command(Kind::CueFire, -1, -1, "/orbis/cue/fire");
                command.values[0] = (*number)[0];
                commands.push_back(command);
            }
        }
        for (const auto& [name, kind] : kOscCueQueries) {
            if (bare && Matches(name, parts[2])) {
                OscCommand command = Command(kind, -1, -1, "/orbis/cue/" + std::string(name));
                command.query = true;
                commands.push_back(command);
            }
        }
        return;
    }
    const auto cue = parts.size() == 4 && parts[1] == "cue" ? CueNumber(parts[2]) : std::nullopt;
    if (!cue || bare) {
        return;
    }
    OscCommand command = Command(Kind::CueFade, -1, -1, "/orbis/cue/" + parts[2] + "/" + parts[3]);
    command.values[1] = *cue;
    if (parts[3] == "fade") {
        if (const auto seconds = Numbers(message, 1)) {
            command.values[0] = std::clamp((*seconds)[0], 0.0, 600.0);
            commands.push_back(command);
        }
    } else if (parts[3] == "path" && message.arguments.size() == 1 && message.String(0)) {
        const std::string& path = *message.String(0);
        command.kind = Kind::CuePath;
        command.values[0] = path == "straight" ? 0.0 : path == "around" ? 1.0 : -1.0;
        if (*command.values[0] >= 0) {
            commands.push_back(command);
        }
    } else if (parts[3] == "channels") {
        command.kind = Kind::CueChannels;
        command.values[0] = ChannelMask(message);
        if (command.values[0]) {
            commands.push_back(command);
        }
    }
}

// /orbis/ch/{n}/{Name}, /orbis/{Name}, /orbis/send/{section}, /orbis/preset/try
void ReadOwn(const OscMessage& message, const std::vector<std::string>& parts,
             std::vector<OscCommand>& commands) {
    if (parts.size() == 4 && Matches("ch", parts[1])) {
        const auto channels = MatchNumbers(1, parts[2]);
        for (std::size_t row = 0; row < kChannelParameters.size(); ++row) {
            const std::string name(OscChannelValueName(row));
            if (!Matches(name, parts[3])) {
                continue;
            }
            for (int channel = 0; channel < kObjects; ++channel) {
                if (!channels[static_cast<std::size_t>(channel)]) {
                    continue;
                }
                const std::string number = std::to_string(channel + 1);
                OscCommand command = Command(Kind::ChannelValue, channel, static_cast<int>(row),
                                             "/orbis/ch/" + number + "/" + name);
                if (ReadValue(message, command)) {
                    commands.push_back(command);
                }
            }
        }
    } else if (parts.size() == 2) {
        for (std::size_t row = 0; row < kGlobalParameters.size(); ++row) {
            const std::string name(OscGlobalValueName(row));
            OscCommand command =
                Command(Kind::GlobalValue, -1, static_cast<int>(row), "/orbis/" + name);
            if (Matches(name, parts[1]) && ReadValue(message, command)) {
                commands.push_back(command);
            }
        }
    } else if (parts.size() == 3 && Matches("send", parts[1]) && message.arguments.empty()) {
        for (std::size_t i = 0; i < kOscSendSections.size(); ++i) {
            const std::string section(kOscSendSections[i]);
            if (Matches(section, parts[2])) {
                commands.push_back(
                    {Kind::Send, -1, static_cast<int>(i), {}, false, "/orbis/send/" + section});
            }
        }
    } else if (parts.size() == 3 && Matches("preset", parts[1]) && Matches("try", parts[2])) {
        OscCommand command = Command(Kind::TryPreset, -1, -1, "/orbis/preset/try");
        if (ReadValue(message, command) &&
            (command.query || (*command.values[0] >= 1 && *command.values[0] <= 9))) {
            command.row = command.query ? -1 : static_cast<int>(*command.values[0]);
            commands.push_back(command);
        }
    }
    if ((parts.size() == 3 || parts.size() == 4) && Matches("cue", parts[1])) {
        ReadCue(message, parts, commands);
    }
}

} // namespace

const std::array<OscObjectAttribute, 10> kOscObjectAttributes = {{
    {"xyz", Kind::Cartesian, {0, 1, 2}},
    {"xy", Kind::Cartesian, {0, 1, -1}},
    {"x", Kind::Cartesian, {0, -1, -1}},
    {"y", Kind::Cartesian, {1, -1, -1}},
    {"z", Kind::Cartesian, {2, -1, -1}},
    {"aed", Kind::Polar, {0, 1, 2}},
    {"azim", Kind::Polar, {0, -1, -1}},
    {"elev", Kind::Polar, {1, -1, -1}},
    {"dist", Kind::Polar, {2, -1, -1}},
    {"gain", Kind::Gain, {0, -1, -1}},
}};

const std::array<std::string_view, 3> kOscSendSections = {"patchbay", "channels", "globals"};

const std::array<OscCueName, 4> kOscCueActions = {{
    {"go", Kind::CueGo},
    {"back", Kind::CueBack},
    {"stop", Kind::CueStop},
    {"record", Kind::CueRecord},
}};
const std::array<OscCueName, 2> kOscCueQueries = {{
    {"live", Kind::CueLive},
    {"count", Kind::CueCount},
}};

std::string_view OscChannelValueName(std::size_t row) {
    const std::string_view fileKey = kChannelParameters.at(row).fileKey;
    return fileKey.ends_with('0') ? fileKey.substr(0, fileKey.size() - 1) : fileKey;
}

std::string_view OscGlobalValueName(std::size_t row) {
    return kGlobalParameters.at(row).fileKey;
}

std::size_t OscObjectAttribute::Count() const {
    return static_cast<std::size_t>(
        std::count_if(places.begin(), places.end(), [](int slot) { return slot >= 0; }));
}

bool TakenOverOsc(ParameterKey key) {
    return key != KeyOf(&CControllerDoc::outMIDIPort);
}

std::vector<OscCommand> ReadOscCommands(const OscMessage& message, int firstObject) {
    std::vector<OscCommand> commands;
    if (message.path.size() > kMaxOscPattern) {
        return commands;
    }
    const std::vector<std::string> parts = Parts(message.path);
    // A pattern may name both trees ("/*/..."): it gets what each has.
    if (parts.size() == 4 && Matches("adm", parts[0]) && Matches("obj", parts[1])) {
        ReadObject(message, parts, firstObject, commands);
    }
    if (!parts.empty() && Matches("orbis", parts[0])) {
        ReadOwn(message, parts, commands);
    }
    return commands;
}

int PositionFromCoordinate(double coordinate) {
    // A hair of slack: sin(180 degrees) is -1e-16, not 0, and must still land on the centre.
    constexpr double kSlack = 1e-9;
    const double value = std::floor(63.5 + 63.5 * std::clamp(coordinate, -1.0, 1.0) + 0.5 + kSlack);
    return std::clamp(static_cast<int>(value), 0, 127);
}

double CoordinateFromPosition(int value) {
    // The centre, 64, has 64 steps below it and 63 above: each side its own scale, so that
    // 0, 64 and 127 are -1, 0 and 1 exactly and every value comes back through
    // PositionFromCoordinate as itself.
    const int steps = value < 64 ? 64 : 63;
    return std::clamp(static_cast<double>(value - 64) / steps, -1.0, 1.0);
}

std::array<double, 3> CartesianFromPolar(double azimuth, double elevation, double distance) {
    constexpr double kRadians = std::numbers::pi / 180.0;
    distance = std::clamp(distance, 0.0, 1.0);
    const double a = azimuth * kRadians;
    const double e = elevation * kRadians;
    return {-distance * std::cos(e) * std::sin(a), distance * std::cos(e) * std::cos(a),
            distance * std::sin(e)};
}

std::array<double, 3> PolarFromCartesian(double x, double y, double z) {
    constexpr double kDegrees = 180.0 / std::numbers::pi;
    const double distance = std::sqrt(x * x + y * y + z * z);
    if (distance == 0.0) {
        return {0.0, 0.0, 0.0};
    }
    return {std::atan2(-x, y) * kDegrees, std::asin(std::clamp(z / distance, -1.0, 1.0)) * kDegrees,
            std::min(distance, 1.0)};
}

int LevelFromGain(double gain) {
    if (!(gain > 0.0)) {
        return 0;
    }
    // Level value v shows 20*log10(v/127) dB: the nearest text is the nearest in decibels.
    const double exact = std::min(gain, 1.0) * 127.0;
    const int below = std::clamp(static_cast<int>(std::floor(exact)), 1, 127);
    const int above = std::clamp(below + 1, 1, 127);
    const double target = std::log10(exact);
    return std::abs(std::log10(static_cast<double>(below)) - target) <=
                   std::abs(std::log10(static_cast<double>(above)) - target)
               ? below
               : above;
}
