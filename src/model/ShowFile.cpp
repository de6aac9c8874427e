#include "model/ShowFile.h"

#include "model/AtomicFile.h"
#include "model/ControllerFile.h"
#include "model/CueList.h"
#include "model/ParameterTable.h"
#include "model/PlistReader.h"
#include "model/RegularFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>

namespace {

constexpr std::string_view kPrologue =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";
constexpr std::string_view kCuesKey = "Cues";
constexpr std::string_view kChannelValuesKey = "Channel Values";
constexpr std::string_view kChannelsKey = "Channels";
constexpr std::string_view kFadeKey = "Fade";
constexpr std::string_view kGlobalValuesKey = "Global Values";
constexpr std::string_view kGroupsKey = "Groups";
constexpr std::string_view kNameKey = "Name";
constexpr std::string_view kNumberKey = "Number";
constexpr std::string_view kPathKey = "Path";
constexpr std::array<std::string_view, 8> kCueKeys = {kChannelValuesKey, kChannelsKey, kFadeKey,
                                                      kGlobalValuesKey,  kGroupsKey,   kNameKey,
                                                      kNumberKey,        kPathKey};

// One cue's dictionary read into a cue: every key in any order, each problem told with the
// cue's place in the file.
class CueReader {
public:
    CueReader(std::size_t place, double previous, std::vector<std::string>& problems)
        : m_where("the cue at place " + std::to_string(place)), m_previous(previous),
          m_problems(problems) {}

    void Read(std::string_view body, Cue& cue, std::vector<UnknownKey>& unknown) {
        std::array<std::optional<Element>, kCueKeys.size()> known;
        ForEachKey(body, m_problems, m_where, [&](std::string_view key, const Element& value) {
            const std::string name = Unescape(key);
            const auto hit = std::find(kCueKeys.begin(), kCueKeys.end(), name);
            if (hit == kCueKeys.end()) {
                unknown.push_back({std::string(key), std::string(value.whole)});
            } else if (!known[static_cast<std::size_t>(hit - kCueKeys.begin())]) {
                known[static_cast<std::size_t>(hit - kCueKeys.begin())] = value;
            }
        });
        const auto get = [&](std::string_view key) -> const std::optional<Element>& {
            return known[static_cast<std::size_t>(std::find(kCueKeys.begin(), kCueKeys.end(), key) -
                                                  kCueKeys.begin())];
        };
        ReadNumber(get(kNumberKey), cue);
        ReadName(get(kNameKey), cue);
        ReadFade(get(kFadeKey), cue);
        ReadPath(get(kPathKey), cue);
        ReadChannels(get(kChannelsKey), cue);
        ReadGroups(get(kGroupsKey), cue);
        ReadValues(get(kChannelValuesKey), get(kGlobalValuesKey), cue);
    }

private:
    void Tell(std::string what) { m_problems.push_back(m_where + " " + std::move(what)); }

    bool Present(const std::optional<Element>& element, std::string_view key,
                 std::string_view taken) {
        if (!element) {
            Tell("has no " + std::string(key) + "; taken as " + std::string(taken));
        }
        return element.has_value();
    }

    void ReadNumber(const std::optional<Element>& element, Cue& cue) {
        cue.number = std::floor(m_previous) + 1;
        const std::string taken = NumberText(cue.number);
        if (!Present(element, kNumberKey, taken)) {
            return;
        }
        const std::optional<double> number = RealOf(*element);
        if (!number || !std::isfinite(*number)) {
            Tell("has a Number that is no finite number; taken as " + taken);
        } else if (*number <= m_previous) {
            Tell("has the number " + NumberText(*number) +
                 (m_previous > 0 ? ", not above the cue before it (" + NumberText(m_previous) + ")"
                                 : ", not above 0") +
                 "; taken as " + taken);
        } else {
            cue.number = *number;
        }
    }

    void ReadName(const std::optional<Element>& element, Cue& cue) {
        if (!Present(element, kNameKey, "no name")) {
            return;
        }
        if (element->name != "string") {
            Tell("has a Name that is no string; taken as no name");
            return;
        }
        cue.name = Unescape(element->body);
    }

    void ReadFade(const std::optional<Element>& element, Cue& cue) {
        if (!Present(element, kFadeKey, "0 s")) {
            return;
        }
        const std::optional<double> seconds = RealOf(*element);
        if (!seconds || std::isnan(*seconds)) {
            Tell("has a Fade that is no number; taken as 0 s");
            return;
        }
        const double clamped = std::clamp(*seconds, 0.0, Cue::kMaxFadeTenths / 10.0);
        cue.fadeTenths = ClampFadeTenths(std::llround(clamped * 10));
        if (clamped != *seconds) {
            Tell("has a fade of " + NumberText(*seconds) + " s, outside 0 to 600 s; taken as " +
                 NumberText(clamped) + " s");
        }
    }

    void ReadPath(const std::optional<Element>& element, Cue& cue) {
        if (!Present(element, kPathKey, "straight")) {
            return;
        }
        const std::string path = element->name == "string" ? Unescape(element->body) : "";
        if (path == "around") {
            cue.path = CuePath::Around;
        } else if (path != "straight") {
            Tell("has a Path that is neither \"straight\" nor \"around\"; taken as straight");
        }
    }

    void ReadChannels(const std::optional<Element>& element, Cue& cue) {
        if (!Present(element, kChannelsKey, "all channels") || !IsArray(*element, kChannelsKey)) {
            return;
        }
        cue.channels.reset();
        std::size_t pos = 0;
        while (const std::optional<Element> item = NextElement(element->body, pos)) {
            const std::optional<int> channel = IntegerOf(*item);
            if (channel && *channel >= 1 && *channel <= CControllerDoc::kChannels) {
                cue.channels.set(static_cast<std::size_t>(*channel - 1));
            } else {
                Tell("lists a channel that is no number from 1 to 8; it was passed");
            }
        }
    }

    void ReadGroups(const std::optional<Element>& element, Cue& cue) {
        if (!Present(element, kGroupsKey, "all groups") || !IsArray(*element, kGroupsKey)) {
            return;
        }
        cue.groups.reset();
        std::size_t pos = 0;
        while (const std::optional<Element> item = NextElement(element->body, pos)) {
            const std::string name = item->name == "string" ? Unescape(item->body) : "";
            const auto group =
                std::find_if(kParameterGroups.begin(), kParameterGroups.end(),
                             [&name](ParameterGroup g) { return GroupName(g) == name; });
            if (group != kParameterGroups.end()) {
                cue.groups.set(static_cast<std::size_t>(*group));
            } else {
                Tell("lists a group \"" + name +
                     "\" that is none of the parameter groups; it was passed");
            }
        }
    }

    bool IsArray(const Element& element, std::string_view key) {
        if (element.name != "array") {
            Tell("has a " + std::string(key) + " that is no list; taken as none");
            return false;
        }
        return true;
    }

    // The values of one dictionary, by the controller file's keys of a table, into slots
    // in the document's order of values.
    template <typename Table, typename KeyOfRow>
    void ReadDictionary(std::string_view body, const Table& table, KeyOfRow keyOfRow,
                        std::vector<std::optional<int>>& slots) {
        ForEachKey(body, m_problems, m_where, [&](std::string_view key, const Element& value) {
            const auto row = std::find_if(table.begin(), table.end(),
                                          [key](const auto& p) { return p.fileKey == key; });
            if (row == table.end()) {
                Tell("holds a value \"" + Unescape(key) + "\" that is no parameter; it was passed");
                return;
            }
            const std::optional<int> read = IntegerOf(value);
            if (!read) {
                Tell("holds a value " + std::string(key) + " that is no integer; it was passed");
                return;
            }
            const int clamped = ClampCueValue(*read);
            if (clamped != *read) {
                Tell("holds " + std::string(key) + " = " + std::to_string(*read) +
                     ", outside 0 to 127; taken as " + std::to_string(clamped));
            }
            const ParameterKey parameter = keyOfRow(static_cast<int>(row - table.begin()));
            slots[ValueIndex(parameter)] = clamped;
        });
    }

    void ReadValues(const std::optional<Element>& channelValues,
                    const std::optional<Element>& globalValues, Cue& cue) {
        std::vector<std::optional<int>> slots(
            CControllerDoc::kChannels * kChannelParameters.size() + kGlobalParameters.size());
        if (channelValues && IsArray(*channelValues, kChannelValuesKey)) {
            std::size_t pos = 0;
            int channel = 0;
            while (const std::optional<Element> item = NextElement(channelValues->body, pos)) {
                if (channel < CControllerDoc::kChannels && item->name == "dict") {
                    ReadDictionary(
                        item->body, kChannelParameters,
                        [channel](int row) { return ParameterKey::Channel(row, channel); }, slots);
                } else {
                    Tell("holds channel values beyond eight dictionaries; they were passed");
                }
                ++channel;
            }
        }
        if (globalValues && globalValues->name != "dict") {
            Tell("has Global Values that are no dictionary; taken as none");
        } else if (globalValues) {
            ReadDictionary(
                globalValues->body, kGlobalParameters,
                [](int row) { return ParameterKey::Global(row); }, slots);
        }
        // What the scope holds, in the document's order; what lies outside it is dropped.
        for (const ParameterKey key : ScopeKeys(cue.channels, cue.groups)) {
            if (std::optional<int>& slot = slots[ValueIndex(key)]) {
                cue.values.emplace_back(key, *slot);
                slot.reset();
            }
        }
        const auto outside = static_cast<std::size_t>(
            std::count_if(slots.begin(), slots.end(), [](const auto& s) { return s.has_value(); }));
        if (outside > 0) {
            Tell("holds " + std::to_string(outside) +
                 " values outside its channels and groups; they were passed");
        }
    }

    std::string m_where;
    double m_previous;
    std::vector<std::string>& m_problems;
};

} // namespace

std::size_t ShowFileReadLimit() {
    return kControllerFileReadLimit * (CueList::kMaxCues + 1);
}

namespace {

void ReadCues(const Element& cues, ShowRead& read, std::vector<std::string>& general) {
    std::size_t place = 0;
    std::size_t pos = 0;
    while (const std::optional<Element> entry = NextElement(cues.body, pos)) {
        ++place;
        if (read.show.cues.size() >= CueList::kMaxCues) {
            continue; // only counted, for the message
        }
        const std::string where = "the cue at place " + std::to_string(place);
        if (!entry->complete) {
            read.problems.push_back("the file ends inside " + where + "; it was left out");
        } else if (entry->name != "dict") {
            read.problems.push_back(where + " is no dictionary; it was left out");
        } else {
            const double previous = read.show.cues.empty() ? 0 : read.show.cues.back().number;
            Cue cue;
            std::vector<UnknownKey> unknown;
            CueReader(place, previous, read.problems).Read(entry->body, cue, unknown);
            if (!unknown.empty()) {
                read.show.unknownCueKeys[cue.number] = std::move(unknown);
            }
            read.show.cues.push_back(std::move(cue));
        }
    }
    if (place > CueList::kMaxCues) {
        general.push_back("the file holds " + std::to_string(place) + " cues; only the first " +
                          std::to_string(CueList::kMaxCues) + " were read");
    }
}

void AppendUnknown(std::string& text, const std::vector<UnknownKey>& keys,
                   std::string_view indent) {
    for (const UnknownKey& unknown : keys) {
        text.append(indent).append("<key>").append(unknown.key).append("</key>\n");
        text.append(indent).append(unknown.element).append("\n");
    }
}

// One dictionary of a cue's values by the controller file's keys: a channel's (0-7), or the
// global values' (ParameterKey::kGlobal).
void AppendValues(std::string& text, const Cue& cue, int channel) {
    std::string entries;
    for (const auto& [parameter, value] : cue.values) {
        if (parameter.channel == channel) {
            const std::string_view name = parameter.IsGlobal()
                                              ? GlobalParameterOf(parameter).fileKey
                                              : ChannelParameterOf(parameter).fileKey;
            entries.append("\t\t\t\t\t<key>").append(name).append("</key>\n");
            entries.append("\t\t\t\t\t<integer>" + std::to_string(value) + "</integer>\n");
        }
    }
    const std::string_view indent = channel == ParameterKey::kGlobal ? "\t\t\t" : "\t\t\t\t";
    if (entries.empty()) {
        text.append(indent).append("<dict/>\n");
    } else {
        text.append(indent).append("<dict>\n").append(entries).append(indent).append("</dict>\n");
    }
}

// The keys in byte order, as property-list writers sort them.
void AppendCue(std::string& text, const Cue& cue, const std::vector<UnknownKey>* unknown) {
    const auto key = [&text](std::string_view name) {
        text.append("\t\t\t<key>").append(name).append("</key>\n");
    };
    text += "\t\t<dict>\n";
    key(kChannelValuesKey);
    text += "\t\t\t<array>\n";
    for (int channel = 0; channel < CControllerDoc::kChannels; ++channel) {
        AppendValues(text, cue, channel);
    }
    text += "\t\t\t</array>\n";
    key(kChannelsKey);
    text += "\t\t\t<array>\n";
    for (int channel = 0; channel < CControllerDoc::kChannels; ++channel) {
        if (cue.channels.test(static_cast<std::size_t>(channel))) {
            text += "\t\t\t\t<integer>" + std::to_string(channel + 1) + "</integer>\n";
        }
    }
    text += "\t\t\t</array>\n";
    key(kFadeKey);
    text += "\t\t\t<real>" + NumberText(cue.fadeTenths / 10.0) + "</real>\n";
    key(kGlobalValuesKey);
    AppendValues(text, cue, ParameterKey::kGlobal);
    key(kGroupsKey);
    text += "\t\t\t<array>\n";
    for (const ParameterGroup group : kParameterGroups) {
        if (cue.groups.test(static_cast<std::size_t>(group))) {
            text.append("\t\t\t\t<string>").append(GroupName(group)).append("</string>\n");
        }
    }
    text += "\t\t\t</array>\n";
    key(kNameKey);
    text += "\t\t\t<string>" + Escape(cue.name) + "</string>\n";
    key(kNumberKey);
    text += "\t\t\t<real>" + NumberText(cue.number) + "</real>\n";
    key(kPathKey);
    text += cue.path == CuePath::Around ? "\t\t\t<string>around</string>\n"
                                        : "\t\t\t<string>straight</string>\n";
    if (unknown) {
        AppendUnknown(text, *unknown, "\t\t\t");
    }
    text += "\t\t</dict>\n";
}

} // namespace

std::string ShowFileText(const Show& show) {
    std::string text(kPrologue);
    text += "<dict>\n\t<key>Cues</key>\n\t<array>\n";
    for (const Cue& cue : show.cues) {
        const auto unknown = show.unknownCueKeys.find(cue.number);
        AppendCue(text, cue, unknown == show.unknownCueKeys.end() ? nullptr : &unknown->second);
    }
    text += "\t</array>\n\t<key>";
    text.append(kShowVersionKey).append("</key>\n");
    text += "\t<integer>" + std::to_string(kShowFileVersion) + "</integer>\n";
    AppendUnknown(text, show.unknownKeys, "\t");
    text += "</dict>\n</plist>\n";
    return text;
}

ShowRead ParseShowText(std::string_view text) {
    ShowRead read{FileResult::Done({}), {}, {}};
    // What concerns the whole file comes first, the cues' details after it.
    std::vector<std::string> general;
    std::size_t pos = 0;
    const std::optional<Element> plist = NextElement(text, pos);
    std::size_t rootPos = 0;
    const std::optional<Element> root =
        plist && plist->name == "plist" ? NextElement(plist->body, rootPos) : std::nullopt;
    if (!root || root->name != "dict") {
        read.problems.emplace_back("it is no property list of a show; no cues were read");
        return read;
    }
    if (!plist->complete) {
        general.emplace_back(
            "the file ends before its closing tags, as if cut short; what came before was read");
    }
    bool versionSeen = false;
    bool cuesSeen = false;
    ForEachKey(
        root->body, read.problems, "the show", [&](std::string_view key, const Element& value) {
            if (key == kShowVersionKey && !versionSeen) {
                versionSeen = true;
                const std::optional<int> version = IntegerOf(value);
                if (!version) {
                    general.emplace_back("the show version is no integer; read as version 1");
                } else if (*version > kShowFileVersion) {
                    general.push_back("the show was written by a newer version (" +
                                      std::to_string(*version) +
                                      "); what this version knows was read");
                }
            } else if (key == kCuesKey && !cuesSeen) {
                cuesSeen = true;
                if (value.name == "array") {
                    ReadCues(value, read, general);
                } else {
                    general.emplace_back("the show's Cues is no list; no cues were read");
                }
            } else {
                read.show.unknownKeys.push_back({std::string(key), std::string(value.whole)});
            }
        });
    if (!versionSeen) {
        general.emplace_back("the show has no version; read as version 1");
    }
    if (!cuesSeen) {
        general.emplace_back("the show has no Cues; it holds no cues");
    }
    general.insert(general.end(), read.problems.begin(), read.problems.end());
    read.problems = std::move(general);
    // A person reads a few dozen lines, not one for each of ten thousand broken cues.
    constexpr std::size_t kToldProblems = 40;
    if (read.problems.size() > kToldProblems) {
        const std::size_t more = read.problems.size() - (kToldProblems - 1);
        read.problems.resize(kToldProblems - 1);
        read.problems.push_back("and " + std::to_string(more) + " more problems");
    }
    return read;
}

ShowRead ReadShowFile(const std::string& path) {
    const std::size_t limit = ShowFileReadLimit();
    FileRead file = ReadRegularFile(path, limit + 1);
    if (!file) {
        return {std::move(file), {}, {}};
    }
    const bool tooLong = file.text.size() > limit;
    ShowRead read = ParseShowText(std::string_view(file.text).substr(0, limit));
    read.file = FileResult::Done(path);
    if (tooLong) {
        read.problems.insert(read.problems.begin(),
                             "the file is larger than " + std::to_string(limit) +
                                 " bytes; only the first " + std::to_string(limit) + " were read");
    }
    return read;
}

FileResult WriteShowFile(const Show& show, const std::string& path) {
    if (path.empty()) {
        return FileResult::Failed(path, "no file name");
    }
    return ReplaceFileContents(path, ShowFileText(show));
}
