#include "osc/OscAddressSpace.h"

#include "model/CControllerDoc.h"
#include "model/CueList.h"
#include "model/ParameterTable.h"
#include "osc/OscControl.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

using Kind = OscCommand::Kind;
using Range = std::pair<double, double>;

constexpr int kObjects = 8;
constexpr Range kValueRange = {0, 127};
// Cue numbers as the program gives them: 1, 2, 3 ... and numbers between, up to the list's
// length.
constexpr Range kCueNumberRange = {0, static_cast<double>(CueList::kMaxCues)};

const std::array<ChannelArray CControllerDoc::*, 3> kPosition = {
    &CControllerDoc::XPosition, &CControllerDoc::YPosition, &CControllerDoc::ZPosition};

struct Space {
    std::vector<OscNode> nodes;
    std::unordered_map<std::string_view, std::size_t> byPath;
    std::map<std::pair<int, int>, std::vector<std::size_t>> byKey; // row, channel
};

// What an object attribute's argument for a place in the command's values is, by its kind.
struct Slot {
    const char* name;
    Range range;
    const char* unit;
};
Slot SlotOf(Kind kind, int slot) {
    static constexpr std::array<Slot, 3> cartesian = {
        {{"X", {-1, 1}, ""}, {"Y", {-1, 1}, ""}, {"Z", {-1, 1}, ""}}};
    // Past the edge of the room the receiver puts a distance on it.
    static constexpr std::array<Slot, 3> polar = {{{"azimuth", {-180, 180}, "deg"},
                                                   {"elevation", {-90, 90}, "deg"},
                                                   {"distance", {0, 1}, ""}}};
    const auto index = static_cast<std::size_t>(slot);
    if (kind == Kind::Gain) {
        return {"gain", {0, 1}, ""};
    }
    return kind == Kind::Cartesian ? cartesian.at(index) : polar.at(index);
}

// "A", "A and B", "A, B and C"
std::string Listed(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    }
    return text;
}

void AddObjects(int firstObject, std::vector<OscNode>& nodes) {
    for (int channel = 0; channel < kObjects; ++channel) {
        const std::string object = std::to_string(firstObject + channel);
        for (const OscObjectAttribute& attribute : kOscObjectAttributes) {
            OscNode node;
            node.path = "/adm/obj/" + object + "/" + std::string(attribute.name);
            node.readable = node.writable = true;
            std::vector<std::string> names;
            std::vector<std::string> units;
            for (const int slot : attribute.places) {
                if (slot < 0) {
                    continue;
                }
                const Slot what = SlotOf(attribute.kind, slot);
                node.type += 'f';
                node.range.push_back(what.range);
                names.emplace_back(what.name);
                units.emplace_back(what.unit);
                if (attribute.kind == Kind::Cartesian) {
                    node.keys.push_back(KeyOf(kPosition[static_cast<std::size_t>(slot)], channel));
                }
            }
            // One unit for the whole value, or none when its parts differ.
            if (std::all_of(units.begin(), units.end(), [&](auto& u) { return u == units[0]; })) {
                node.unit = units[0];
            }
            const std::string of =
                " of object " + object + " (channel " + std::to_string(channel + 1) + ")";
            if (attribute.kind == Kind::Gain) {
                node.description = "Input Level as a linear gain" + of;
                node.keys.push_back(KeyOf(&CControllerDoc::InputLevel, channel));
            } else {
                node.description = "Source " + Listed(names) + of;
            }
            if (attribute.kind == Kind::Polar) {
                // Any polar value moves the source on all three axes.
                for (const auto array : kPosition) {
                    node.keys.push_back(KeyOf(array, channel));
                }
            }
            node.feedback = attribute.places == std::array<int, 3>{0, 1, 2} &&
                            attribute.kind == Kind::Cartesian;
            nodes.push_back(std::move(node));
        }
    }
}

OscNode Value(std::string path, ParameterKey key, std::string description, std::string_view unit) {
    OscNode node;
    node.path = std::move(path);
    node.type = "i";
    node.range = {kValueRange};
    node.readable = true;
    node.writable = TakenOverOsc(key);
    node.description = std::move(description);
    node.unit = unit;
    node.keys = {key};
    // Positions are fed back as one /adm/obj/{n}/xyz.
    node.feedback = key.IsGlobal() || GroupOf(key) != ParameterGroup::SourcePosition;
    return node;
}

OscNode Action(std::string path, std::string description, std::string type = "",
               std::vector<Range> range = {}) {
    OscNode node;
    node.path = std::move(path);
    node.type = std::move(type);
    node.range = std::move(range);
    node.writable = true;
    node.description = std::move(description);
    return node;
}

void AddOwn(std::vector<OscNode>& nodes) {
    for (int channel = 0; channel < kObjects; ++channel) {
        const std::string number = std::to_string(channel + 1);
        for (std::size_t row = 0; row < kChannelParameters.size(); ++row) {
            const ChannelParameter& parameter = kChannelParameters[row];
            nodes.push_back(
                Value("/orbis/ch/" + number + "/" + std::string(OscChannelValueName(row)),
                      ParameterKey::Channel(static_cast<int>(row), channel),
                      std::string(parameter.shownName) + ", Ch. " + number,
                      UnitText(parameter.label.unit)));
        }
    }
    for (std::size_t row = 0; row < kGlobalParameters.size(); ++row) {
        const GlobalParameter& parameter = kGlobalParameters[row];
        nodes.push_back(Value("/orbis/" + std::string(OscGlobalValueName(row)),
                              ParameterKey::Global(static_cast<int>(row)),
                              std::string(parameter.shownName), UnitText(parameter.label.unit)));
    }
    const std::array<const char*, 3> sent = {"the patchbay", "every channel's values",
                                             "the global values"};
    for (std::size_t i = 0; i < kOscSendSections.size(); ++i) {
        OscNode node = Action("/orbis/send/" + std::string(kOscSendSections[i]),
                              "Send " + std::string(sent[i]) + " to the processor");
        // The values the section carries, as the Send buttons send them.
        const auto section = static_cast<SendSection>(i + 1);
        for (int channel = 0; channel < kObjects && section != SendSection::Globals; ++channel) {
            for (std::size_t row = 0; row < kChannelParameters.size(); ++row) {
                if (kChannelParameters[row].section == section) {
                    node.keys.push_back(ParameterKey::Channel(static_cast<int>(row), channel));
                }
            }
        }
        for (std::size_t row = 0; row < kGlobalParameters.size(); ++row) {
            if (section == SendSection::Globals &&
                kGlobalParameters[row].controlChannel != kNotSent) {
                node.keys.push_back(ParameterKey::Global(static_cast<int>(row)));
            }
        }
        nodes.push_back(std::move(node));
    }
    // A try answers, and loads, the Default Preset row.
    OscNode preset = Action("/orbis/preset/try",
                            "Try factory preset 1-9 (answered: the Default Preset)", "i", {{1, 9}});
    preset.readable = true;
    preset.keys = {KeyOf(&CControllerDoc::DefaultPreset)};
    nodes.push_back(std::move(preset));

    const std::map<Kind, const char*> told = {
        {Kind::CueGo, "Go: fire the cue standing by"},
        {Kind::CueBack, "Back: fire the cue before the live one"},
        {Kind::CueStop, "Stop: freeze a running fade where it stands"},
        {Kind::CueRecord, "Record a cue of every channel and group, a cut, at the end"},
        {Kind::CueLive, "Number of the live cue (no argument while none is live)"},
        {Kind::CueCount, "Number of cues"},
    };
    for (const auto& [name, kind] : kOscCueActions) {
        nodes.push_back(Action("/orbis/cue/" + std::string(name), told.at(kind)));
    }
    nodes.push_back(
        Action("/orbis/cue/fire", "Fire the cue of this number", "f", {kCueNumberRange}));
    for (const auto& [name, kind] : kOscCueQueries) {
        OscNode node = Action("/orbis/cue/" + std::string(name), told.at(kind));
        node.type = kind == Kind::CueLive ? "f" : "i";
        node.range = {kind == Kind::CueLive ? kCueNumberRange
                                            : Range{0, static_cast<double>(CueList::kMaxCues)}};
        node.writable = false;
        node.readable = true;
        nodes.push_back(std::move(node));
    }
}

const Space& SpaceOf(int firstObject) {
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<Space>> spaces;
    const std::lock_guard lock(mutex);
    std::unique_ptr<Space>& space = spaces[firstObject];
    if (!space) {
        space = std::make_unique<Space>();
        AddObjects(firstObject, space->nodes);
        AddOwn(space->nodes);
        for (std::size_t i = 0; i < space->nodes.size(); ++i) {
            space->byPath.emplace(space->nodes[i].path, i);
            for (const ParameterKey key : space->nodes[i].keys) {
                space->byKey[{key.row, key.channel}].push_back(i);
            }
        }
    }
    return *space;
}

std::string Number(double value) {
    std::array<char, 32> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value);
    return {text.data(), result.ptr};
}

} // namespace

const std::vector<OscNode>& OscAddressSpace(int firstObject) {
    return SpaceOf(firstObject).nodes;
}

const std::vector<std::size_t>& OscNodesOf(int firstObject, ParameterKey key) {
    static const std::vector<std::size_t> none;
    const Space& space = SpaceOf(firstObject);
    const auto found = space.byKey.find({key.row, key.channel});
    return found == space.byKey.end() ? none : found->second;
}

const OscNode* FindOscNode(int firstObject, std::string_view path) {
    const Space& space = SpaceOf(firstObject);
    const auto found = space.byPath.find(path);
    return found == space.byPath.end() ? nullptr : &space.nodes[found->second];
}

std::vector<OscArgument> OscValueOf(const CControllerDoc& doc, const OscNode& node) {
    std::vector<OscArgument> value;
    if (!node.readable || node.keys.empty()) {
        return value;
    }
    if (!node.path.starts_with("/adm/")) {
        value.emplace_back(static_cast<std::int32_t>(doc.Get(node.keys[0])));
        return value;
    }
    const std::string_view name = std::string_view(node.path).substr(node.path.rfind('/') + 1);
    const auto attribute =
        std::find_if(kOscObjectAttributes.begin(), kOscObjectAttributes.end(),
                     [name](const OscObjectAttribute& a) { return a.name == name; });
    const int channel = node.keys[0].channel;
    if (attribute == kOscObjectAttributes.end()) {
        return value;
    }
    if (attribute->kind == Kind::Gain) {
        value.emplace_back(static_cast<float>(doc.InputLevel[channel] / 127.0));
        return value;
    }
    // Answered in floats, and the polar values worked out from those floats.
    std::array<float, 3> xyz{};
    for (std::size_t axis = 0; axis < xyz.size(); ++axis) {
        xyz[axis] = static_cast<float>(CoordinateFromPosition((doc.*kPosition[axis])[channel]));
    }
    const std::array<double, 3> polar = PolarFromCartesian(xyz[0], xyz[1], xyz[2]);
    for (const int slot : attribute->places) {
        if (slot >= 0) {
            const auto i = static_cast<std::size_t>(slot);
            value.emplace_back(attribute->kind == Kind::Polar ? static_cast<float>(polar[i])
                                                              : xyz[i]);
        }
    }
    return value;
}

std::string OscAddressTable(int firstObject) {
    std::string table = "| Address | Type | Range | Access | Description | Unit |\n"
                        "|---|---|---|---|---|---|\n";
    for (const OscNode& node : OscAddressSpace(firstObject)) {
        std::string range;
        for (const auto& [low, high] : node.range) {
            range += (range.empty() ? "" : ", ") + Number(low) + " to " + Number(high);
        }
        const char* access = node.readable && node.writable ? "read, write"
                             : node.readable                ? "read"
                                                            : "write";
        table += "| `" + node.path + "` | " + (node.type.empty() ? "-" : node.type) + " | " +
                 (range.empty() ? "-" : range) + " | " + access + " | " + node.description + " | " +
                 node.unit + " |\n";
    }
    return table;
}
