// The show file: the cue list as an XML property list like the controller file's, so the
// same tools read and write it. Keys this version does not know are kept and written back.
#pragma once

#include "model/Cue.h"
#include "model/FileResult.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

constexpr int kShowFileVersion = 1;
constexpr std::string_view kShowVersionKey = "Orbis Show Version";

// A key this version does not know: its key text and its whole value element, both as they
// stood in the file, so that they go back unchanged.
struct UnknownKey {
    std::string key;
    std::string element;
};

struct Show {
    std::vector<Cue> cues; // ascending numbers, at most CueList::kMaxCues
    std::vector<UnknownKey> unknownKeys;
    // A cue's unknown keys go back with the cue of the same number.
    std::map<double, std::vector<UnknownKey>> unknownCueKeys;
};

// A cue holds at most the values of one controller file, so a show is bounded by the
// controller file's limit for each cue it may hold.
std::size_t ShowFileReadLimit();

struct ShowRead {
    FileResult file; // whether the file could be read at all
    Show show;
    // What was wrong and what was made of it, one sentence each, for a person.
    std::vector<std::string> problems;
};

std::string ShowFileText(const Show& show);
// Reads a text as the reader does: every problem is told and what can be taken is taken.
ShowRead ParseShowText(std::string_view text);
ShowRead ReadShowFile(const std::string& path);
// Writes the show to path, replacing an existing file only once the new text is complete.
FileResult WriteShowFile(const Show& show, const std::string& path);
