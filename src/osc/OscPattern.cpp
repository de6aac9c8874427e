#include "osc/OscPattern.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// The characters a list `[...]` takes, its body between the brackets.
std::array<bool, 256> CharacterList(std::string_view body) {
    std::array<bool, 256> in{};
    const bool negated = !body.empty() && body.front() == '!';
    if (negated) {
        body.remove_prefix(1);
    }
    for (std::size_t i = 0; i < body.size(); ++i) {
        auto first = static_cast<unsigned char>(body[i]);
        auto last = first;
        // A minus between two characters is a range; at either end it is itself.
        if (i + 2 < body.size() && body[i + 1] == '-') {
            last = static_cast<unsigned char>(body[i + 2]);
            i += 2;
        }
        for (unsigned c = std::min(first, last); c <= std::max(first, last); ++c) {
            in[c] = true;
        }
    }
    if (negated) {
        for (bool& c : in) {
            c = !c;
        }
    }
    return in;
}

} // namespace

bool MatchOscPattern(std::string_view pattern, std::string_view name) {
    if (pattern.size() > kMaxOscPattern) {
        return false;
    }
    const std::size_t n = name.size();
    // reached[i]: the pattern read so far can match the first i characters of the name.
    std::vector<char> reached(n + 1, 0);
    std::vector<char> next(n + 1, 0);
    reached[0] = 1;
    std::size_t p = 0;
    while (p < pattern.size()) {
        std::fill(next.begin(), next.end(), 0);
        const char c = pattern[p];
        if (c == '*') {
            const auto first = std::find(reached.begin(), reached.end(), 1);
            std::fill(next.begin() + (first - reached.begin()), next.end(), 1);
            ++p;
        } else if (c == '[') {
            const std::size_t close = pattern.find(']', p + 1);
            if (close == std::string_view::npos) {
                return false;
            }
            const auto in = CharacterList(pattern.substr(p + 1, close - p - 1));
            for (std::size_t i = 0; i < n; ++i) {
                next[i + 1] = reached[i] && in[static_cast<unsigned char>(name[i])];
            }
            p = close + 1;
        } else if (c == '{') {
            const std::size_t close = pattern.find('}', p + 1);
            if (close == std::string_view::npos) {
                return false;
            }
            const std::string_view group = pattern.substr(p + 1, close - p - 1);
            if (group.find('{') != std::string_view::npos) {
                return false;
            }
            // Each string once from each position reached: the group's length times the name's.
            std::size_t start = 0;
            for (;;) {
                const std::size_t comma = std::min(group.find(',', start), group.size());
                const std::string_view choice = group.substr(start, comma - start);
                for (std::size_t i = 0; i + choice.size() <= n; ++i) {
                    if (reached[i] && name.substr(i, choice.size()) == choice) {
                        next[i + choice.size()] = 1;
                    }
                }
                if (comma == group.size()) {
                    break;
                }
                start = comma + 1;
            }
            p = close + 1;
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                next[i + 1] = reached[i] && (c == '?' || name[i] == c);
            }
            ++p;
        }
        reached.swap(next);
        if (std::find(reached.begin(), reached.end(), 1) == reached.end()) {
            return false;
        }
    }
    return reached[n] != 0;
}
