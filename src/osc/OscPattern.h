// OSC 1.0 address patterns, matched one part (between slashes) at a time: `?` one character,
// `*` any run, `[abc]`, `[a-z]` and `[!...]` one character of (or not of) a list, `{foo,bar}`
// one of the strings. Matching keeps the set of name positions reached so far, so a pattern
// costs its length times the name's, never more, whatever it nests or repeats; a sender
// controls the pattern, the program only the names.
#pragma once

#include <cstddef>
#include <string_view>

// Longer patterns (a whole address) are refused: the program's addresses are a few dozen
// characters, and the longest sensible pattern lists every global by name.
constexpr std::size_t kMaxOscPattern = 512;

// Whether `name` is one the pattern part matches; false for a malformed pattern (a list or
// group never closed, a group within a group) and for one longer than kMaxOscPattern.
bool MatchOscPattern(std::string_view pattern, std::string_view name);
