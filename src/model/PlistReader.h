// Reading an XML property list element by element, as views into its text: enough for the
// show file's dictionaries, arrays, keys, strings and numbers, and for keeping an element
// this version does not know exactly as it stood. A text cut short gives its elements as
// far as they go, marked incomplete, so a reader takes what is there.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Element {
    std::string_view name;  // "dict", "integer", ...
    std::string_view body;  // between the tags; empty for "<array/>"
    std::string_view whole; // from its "<" through its closing tag
    bool complete = true;   // false when the text ends before its closing tag
};

// The next element at or after pos, passing white space, stray text, the declaration, the
// document type and comments; nothing at the end of the text or at a closing tag. pos
// always moves past what it returns, so a loop over the elements ends.
std::optional<Element> NextElement(std::string_view text, std::size_t& pos);

std::string Unescape(std::string_view text);
std::string Escape(std::string_view text);
// An integer element's number, saturated to the int range by the controller file's reader.
std::optional<int> IntegerOf(const Element& element);
// A real element's number, or an integer's: people write "2" for two seconds.
std::optional<double> RealOf(const Element& element);
// The shortest text that reads back as the same double.
std::string NumberText(double value);

// Calls take(key, value) for each key of a dictionary's body; an element without its key
// and a key without its value are told and passed.
template <typename Take>
void ForEachKey(std::string_view body, std::vector<std::string>& problems, const std::string& where,
                Take take) {
    std::size_t pos = 0;
    while (std::optional<Element> key = NextElement(body, pos)) {
        if (key->name != "key" || !key->complete) {
            problems.push_back(where + " holds a <" + std::string(key->name) +
                               "> without a key before it; it was passed");
            continue;
        }
        std::size_t valuePos = pos;
        const std::optional<Element> value = NextElement(body, valuePos);
        if (!value) {
            problems.push_back(where + ": the key \"" + Unescape(key->body) +
                               "\" has no value; it was passed");
            continue;
        }
        pos = valuePos;
        take(key->body, *value);
    }
}
