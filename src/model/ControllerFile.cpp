#include "model/ControllerFile.h"

#include "model/AtomicFile.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "model/RegularFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdint>
#include <numeric>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr std::string_view kPrologue =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\r\n"
    "<plist version=\"1.0\">\r\n";
constexpr std::string_view kDictOpen = "<dict>";
constexpr std::string_view kDictClose = "</dict>";
constexpr std::string_view kIntegerOpen = "<integer>";
constexpr std::string_view kIntegerClose = "</integer>";
constexpr std::size_t kSections = 9;
constexpr std::size_t kGlobalSection = 8;

// Key elements ("<key>Attenuation0</key>") in table order, and the table rows in the
// order the writer puts them: plain byte order of the key names.
struct FileLayout {
    std::array<std::string, kChannelParameters.size()> channelKeys;
    std::array<std::string, kGlobalParameters.size()> globalKeys;
    std::array<std::size_t, kChannelParameters.size()> channelWriteOrder;
    std::array<std::size_t, kGlobalParameters.size()> globalWriteOrder;

    FileLayout() {
        for (std::size_t i = 0; i < kChannelParameters.size(); ++i) {
            channelKeys[i] = KeyElement(kChannelParameters[i].fileKey);
        }
        for (std::size_t i = 0; i < kGlobalParameters.size(); ++i) {
            globalKeys[i] = KeyElement(kGlobalParameters[i].fileKey);
        }
        SortByKey(channelWriteOrder, kChannelParameters);
        SortByKey(globalWriteOrder, kGlobalParameters);
    }

    static std::string KeyElement(std::string_view name) {
        return "<key>" + std::string(name) + "</key>";
    }

    template <typename Order, typename Table>
    static void SortByKey(Order& order, const Table& table) {
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::sort(order.begin(), order.end(), [&table](std::size_t a, std::size_t b) {
            return table[a].fileKey < table[b].fileKey;
        });
    }
};

const FileLayout& Layout() {
    static const FileLayout layout;
    return layout;
}

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Decimal text to int the way the C library reads it (leading white space, sign, digits up
// to the first non-digit), except that numbers beyond the int range saturate instead of
// being undefined.
int ParseDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr std::int64_t kBeyondRange = std::int64_t{INT_MAX} + 2;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), kBeyondRange);
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// The nine dictionaries: each from "<dict>" through the following "</dict>"; a section
// whose tags are missing is empty.
std::array<std::string_view, kSections> CutSections(std::string_view text) {
    std::array<std::string_view, kSections> sections{};
    std::size_t position = 0;
    for (std::string_view& section : sections) {
        const std::size_t open = text.find(kDictOpen, position);
        const std::size_t close = text.find(kDictClose, position);
        if (open == std::string_view::npos || close == std::string_view::npos) {
            continue;
        }
        const std::size_t end = close + kDictClose.size();
        // A stray "</dict>" before the next "<dict>" gives an empty section and is passed.
        if (open < close) {
            section = text.substr(open, end - open);
        }
        position = end;
    }
    return sections;
}

// The number of the first integer element that ends after position q, provided that it
// also starts after q; 0 otherwise.
int IntegerAfter(std::string_view section, std::size_t q) {
    const std::size_t close = section.find(kIntegerClose, q);
    if (close == std::string_view::npos) {
        return 0;
    }
    const std::string_view between = section.substr(q, close - q);
    const std::size_t open = between.find(kIntegerOpen);
    if (open == std::string_view::npos) {
        return 0;
    }
    return ParseDecimal(between.substr(open + kIntegerOpen.size()));
}

// Where each key element of a table first occurs in a section, found in one pass. A key
// element first occurs at some "<key>", and since no key name holds a '<', the name it
// carries there runs to the next "</key>"; so this gives the positions a search for each
// whole element would give, without searching the section 48 times.
template <typename Table, std::size_t N>
void FindKeys(std::string_view section, const Table& table,
              const std::array<std::size_t, N>& byName, std::array<std::size_t, N>& found) {
    found.fill(std::string_view::npos);
    constexpr std::string_view kKeyOpen = "<key>";
    constexpr std::string_view kKeyClose = "</key>";
    std::size_t close = 0;
    for (std::size_t open = section.find(kKeyOpen); open != std::string_view::npos;
         open = section.find(kKeyOpen, open + 1)) {
        const std::size_t nameStart = open + kKeyOpen.size();
        // Many "<key>" before one "</key>" share it: search again only once it lies behind.
        if (close < nameStart) {
            close = section.find(kKeyClose, nameStart);
        }
        if (close == std::string_view::npos) {
            break;
        }
        const std::string_view name = section.substr(nameStart, close - nameStart);
        const auto hit = std::lower_bound(
            byName.begin(), byName.end(), name,
            [&table](std::size_t row, std::string_view n) { return table[row].fileKey < n; });
        if (hit != byName.end() && table[*hit].fileKey == name &&
            found[*hit] == std::string_view::npos) {
            found[*hit] = close + kKeyClose.size();
        }
    }
}

void AppendInteger(std::string& text, int value) {
    char digits[16];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
    text.append(digits, result.ptr);
}

void AppendEntry(std::string& text, std::string_view keyElement, int value) {
    text += "\r\n\t\t";
    text += keyElement;
    text += "\r\n\t\t";
    text += kIntegerOpen;
    AppendInteger(text, value);
    text += kIntegerClose;
}

// CR LF becomes LF, as a text-mode read does; a lone CR stays.
std::string ToTextMode(std::string_view raw) {
    std::string text;
    text.reserve(std::min(raw.size(), kControllerFileReadLimit));
    for (std::size_t i = 0; i < raw.size() && text.size() < kControllerFileReadLimit; ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
            ++i;
        }
        if (raw[i] == '\0') {
            break;
        }
        text += raw[i];
    }
    return text;
}

} // namespace

int ExtractInteger(std::string_view section, std::string_view key) {
    const std::size_t keyPosition = section.find(key);
    if (keyPosition == std::string_view::npos) {
        return 0;
    }
    return IntegerAfter(section, keyPosition + key.size());
}

std::string ControllerFileText(const CControllerDoc& doc) {
    const FileLayout& layout = Layout();
    std::string text;
    text.reserve(20000);
    text += kPrologue;
    text += "<array>\r\n";
    for (int channel = 0; channel < CControllerDoc::kChannels; ++channel) {
        text += "\t<dict>";
        for (std::size_t row : layout.channelWriteOrder) {
            AppendEntry(text, layout.channelKeys[row],
                        (doc.*kChannelParameters[row].array)[channel]);
        }
        text += "\r\n\t</dict>\r\n";
    }
    text += "\t<dict>";
    for (std::size_t row : layout.globalWriteOrder) {
        AppendEntry(text, layout.globalKeys[row], doc.*kGlobalParameters[row].member);
    }
    text += "\r\n\t</dict>\r\n";
    text += "</array>\r\n</plist>\r\n";
    return text;
}

void ApplyControllerFileText(CControllerDoc& doc, std::string_view text, bool keepOutPort) {
    const CControllerDoc::ChangeScope load(doc, ChangeOrigin::Load);
    const FileLayout& layout = Layout();
    const auto sections = CutSections(text.substr(0, kControllerFileReadLimit));
    std::array<std::size_t, kChannelParameters.size()> channelValues{};
    for (int channel = 0; channel < CControllerDoc::kChannels; ++channel) {
        const std::string_view section = sections[static_cast<std::size_t>(channel)];
        FindKeys(section, kChannelParameters, layout.channelWriteOrder, channelValues);
        for (std::size_t row = 0; row < kChannelParameters.size(); ++row) {
            const std::size_t q = channelValues[row];
            (doc.*kChannelParameters[row].array)[channel] =
                q == std::string_view::npos ? 0 : IntegerAfter(section, q);
        }
    }
    std::array<std::size_t, kGlobalParameters.size()> globalValues{};
    FindKeys(sections[kGlobalSection], kGlobalParameters, layout.globalWriteOrder, globalValues);
    for (std::size_t row = 0; row < kGlobalParameters.size(); ++row) {
        const GlobalParameter& parameter = kGlobalParameters[row];
        if (keepOutPort && parameter.member == &CControllerDoc::outMIDIPort) {
            continue;
        }
        const std::size_t q = globalValues[row];
        doc.*parameter.member =
            q == std::string_view::npos ? 0 : IntegerAfter(sections[kGlobalSection], q);
    }
}

bool LooksLikeControllerFile(std::string_view text) {
    const FileLayout& layout = Layout();
    for (std::string_view section : CutSections(text.substr(0, kControllerFileReadLimit))) {
        const auto inSection = [section](const std::string& key) {
            return section.find(key) != std::string_view::npos;
        };
        if (std::any_of(layout.channelKeys.begin(), layout.channelKeys.end(), inSection) ||
            std::any_of(layout.globalKeys.begin(), layout.globalKeys.end(), inSection)) {
            return true;
        }
    }
    return false;
}

FileRead ReadControllerFileText(const std::string& path) {
    // Every character of the text takes at most two bytes of the file (CR LF), plus one
    // byte to see whether a CR at the limit starts a pair.
    FileRead read = ReadRegularFile(path, 2 * kControllerFileReadLimit + 1);
    read.text = ToTextMode(read.text);
    return read;
}

namespace {

// "New Document", or no name at all, is no file: nothing is read or written for it.
bool NamesNoFile(const std::string& path) {
    return path.empty() || path == CControllerDoc::kNewDocument;
}

FileResult NoFile() {
    return FileResult::Failed(CControllerDoc::kNewDocument,
                              std::generic_category().message(ENOENT));
}

} // namespace

FileResult WriteControllerFile(const CControllerDoc& doc, const std::string& path) {
    if (NamesNoFile(path)) {
        return NoFile();
    }
    return ReplaceFileContents(path, ControllerFileText(doc));
}

FileRead ReadControllerFile(CControllerDoc& doc, const std::string& path, bool keepOutPort) {
    if (NamesNoFile(path)) {
        return {NoFile(), {}};
    }
    FileRead read = ReadControllerFileText(path);
    if (read) {
        ApplyControllerFileText(doc, read.text, keepOutPort);
    }
    return read;
}

ControllerFileGaps FindControllerFileGaps(std::string_view text) {
    ControllerFileGaps gaps;
    const auto sections = CutSections(text.substr(0, kControllerFileReadLimit));
    for (std::size_t i = 0; i < sections.size(); ++i) {
        if (sections[i].empty()) {
            gaps.missingSections.push_back(static_cast<int>(i));
        }
    }
    gaps.closingTagMissing =
        text.substr(0, kControllerFileReadLimit).find("</plist>") == std::string_view::npos;
    return gaps;
}

std::string DescribeControllerFileGaps(const ControllerFileGaps& gaps) {
    // Runs of missing channels read better than a list: "Ch. 2 to Ch. 8".
    std::vector<std::string> parts;
    bool globalsMissing = false;
    const std::vector<int>& missing = gaps.missingSections;
    for (std::size_t i = 0; i < missing.size();) {
        if (missing[i] == static_cast<int>(kGlobalSection)) {
            globalsMissing = true;
            ++i;
            continue;
        }
        std::size_t last = i;
        while (last + 1 < missing.size() && missing[last + 1] == missing[last] + 1 &&
               missing[last + 1] != static_cast<int>(kGlobalSection)) {
            ++last;
        }
        std::string run = "Ch. " + std::to_string(missing[i] + 1);
        if (last > i) {
            run += " to Ch. " + std::to_string(missing[last] + 1);
        }
        parts.push_back(std::move(run));
        i = last + 1;
    }
    if (globalsMissing) {
        parts.emplace_back("the global values");
    }
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    }
    if (!text.empty()) {
        // "the values of the global values" would say it twice.
        text = (parts.size() == 1 && globalsMissing ? "" : "the values of ") + text +
               " are missing (read as 0)";
    }
    if (gaps.closingTagMissing) {
        text += text.empty() ? "the closing </plist> tag is missing"
                             : ", and the closing </plist> tag is missing";
    }
    return text;
}
