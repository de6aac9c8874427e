#include "model/PlistReader.h"

#include "model/ControllerFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWith(std::string_view text, std::size_t at, std::string_view prefix) {
    return text.substr(at, prefix.size()) == prefix;
}

// Where the closing tag of an element named `name` that opened before `from` stands.
// Containers nest, so inner ones of the same name are counted.
std::size_t FindClose(std::string_view text, std::size_t from, std::string_view name) {
    const std::string close = "</" + std::string(name) + ">";
    if (name != "dict" && name != "array") {
        return text.find(close, from);
    }
    const std::string open = "<" + std::string(name);
    int depth = 0;
    for (std::size_t p = text.find('<', from); p != std::string_view::npos;
         p = text.find('<', p + 1)) {
        if (StartsWith(text, p, close)) {
            if (depth == 0) {
                return p;
            }
            --depth;
        } else if (StartsWith(text, p, open)) {
            const std::size_t after = p + open.size();
            if (StartsWith(text, after, ">") || StartsWith(text, after, " ")) {
                ++depth;
            }
        }
    }
    return std::string_view::npos;
}

} // namespace

std::optional<Element> NextElement(std::string_view text, std::size_t& pos) {
    for (;;) {
        pos = std::min(text.find('<', pos), text.size());
        if (pos == text.size() || StartsWith(text, pos, "</")) {
            return std::nullopt;
        }
        if (StartsWith(text, pos, "<!--")) {
            pos = std::min(text.find("-->", pos), text.size());
        } else if (StartsWith(text, pos, "<?") || StartsWith(text, pos, "<!")) {
            pos = std::min(text.find('>', pos), text.size());
        } else {
            break;
        }
    }
    const std::size_t start = pos;
    const std::size_t tagEnd = text.find('>', start);
    if (tagEnd == std::string_view::npos) {
        pos = text.size();
        return Element{{}, {}, text.substr(start), false};
    }
    std::string_view tag = text.substr(start + 1, tagEnd - start - 1);
    const bool empty = !tag.empty() && tag.back() == '/';
    if (empty) {
        tag.remove_suffix(1);
    }
    const std::string_view name = tag.substr(0, tag.find(' '));
    if (empty) {
        pos = tagEnd + 1;
        return Element{name, {}, text.substr(start, pos - start), true};
    }
    const std::size_t close = FindClose(text, tagEnd + 1, name);
    if (close == std::string_view::npos) {
        pos = text.size();
        return Element{name, text.substr(tagEnd + 1), text.substr(start), false};
    }
    pos = close + name.size() + 3;
    return Element{name, text.substr(tagEnd + 1, close - tagEnd - 1),
                   text.substr(start, pos - start), true};
}

std::string Unescape(std::string_view text) {
    static constexpr std::array<std::pair<std::string_view, char>, 5> kEntities = {
        {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}}};
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto entity = std::find_if(kEntities.begin(), kEntities.end(), [&](const auto& e) {
            return StartsWith(text, i, e.first);
        });
        if (entity != kEntities.end()) {
            plain += entity->second;
            i += entity->first.size() - 1;
        } else {
            plain += text[i];
        }
    }
    return plain;
}

std::string Escape(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        escaped += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    }
    return escaped;
}

std::optional<int> IntegerOf(const Element& element) {
    std::string_view digits = Trim(element.body);
    if (element.name != "integer" || !element.complete || digits.empty()) {
        return std::nullopt;
    }
    if (digits.front() == '-' || digits.front() == '+') {
        digits.remove_prefix(1);
    }
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return ExtractInteger(element.whole, {});
}

std::optional<double> RealOf(const Element& element) {
    if (const std::optional<int> integer = IntegerOf(element)) {
        return *integer;
    }
    const std::string_view digits = Trim(element.body);
    double value = 0;
    if (element.name != "real" || !element.complete || digits.empty() ||
        std::from_chars(digits.data(), digits.data() + digits.size(), value).ptr !=
            digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

std::string NumberText(double value) {
    char digits[32];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
    return std::string(digits, result.ptr);
}
