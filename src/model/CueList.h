// The cues of a show in the order they play. Recording takes the document's current values
// of a scope; the list keeps its cues numbered in ascending order, so a number names one cue.
#pragma once

#include "model/Cue.h"

#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class CControllerDoc;

// The keys of a scope, in the document's order of values: a channel value belongs to it when
// its group's and its channel's bits are set, a global or patchbay value when its group's bit
// is. The output device never does: it picks the port, it is no sound of a scene.
std::vector<ParameterKey> ScopeKeys(std::bitset<8> channels, std::bitset<Cue::kGroups> groups);
// The document's current values of a scope, each clamped to 0..127.
std::vector<std::pair<ParameterKey, int>>
ScopeValues(const CControllerDoc& doc, std::bitset<8> channels, std::bitset<Cue::kGroups> groups);

// Cue fields as a show may hold them: fade within 0..kMaxFadeTenths, values within 0..127.
int ClampFadeTenths(long long tenths);
int ClampCueValue(int value);

class CueList {
public:
    // A show past this many cues is refused by Record and cut by the show file's reader.
    static constexpr std::size_t kMaxCues = 1000;
    // Record's `after` for a new first cue.
    static constexpr std::ptrdiff_t kAtFront = -1;

    const std::vector<Cue>& Cues() const { return m_cues; }
    std::size_t Size() const { return m_cues.size(); }

    // Records the document's values of the scope as a new cue after index `after` (kAtFront
    // for the first place), numbered between its neighbours: the next whole number when it
    // fits, else the middle; after the last cue the next whole number, before the first half
    // of its number. Returns the new cue's index, or nothing, leaving the list as it was, when
    // the list holds kMaxCues cues, `after` is no index, or no number fits between the
    // neighbours.
    std::optional<std::size_t> Record(const CControllerDoc& doc, std::ptrdiff_t after,
                                      std::bitset<8> channels, std::bitset<Cue::kGroups> groups,
                                      std::string name = {}, int fadeTenths = 0,
                                      CuePath path = CuePath::Straight);
    // Stores the document's current values of the cue's own scope into it.
    bool Update(std::size_t index, const CControllerDoc& doc);
    bool Delete(std::size_t index);
    // Swaps a cue with its neighbour; the numbers stay with the places, so the list stays in
    // ascending order and the moved cue plays earlier or later under its neighbour's number.
    bool MoveUp(std::size_t index);
    bool MoveDown(std::size_t index);
    // The index of the cue with exactly this number.
    std::optional<std::size_t> Find(double number) const;

    // Takes cues as a show file gave them; the reader already clamped and ordered them.
    void Assign(std::vector<Cue> cues);

private:
    std::vector<Cue> m_cues;
};
