// A cue: one scene of a show, recalled over a fade. It holds the values of its scope (which
// channels, which groups of the parameter table) as they were when it was recorded.
#pragma once

#include "model/DocumentChange.h"
#include "model/ParameterTable.h"

#include <bitset>
#include <string>
#include <utility>
#include <vector>

enum class CuePath {
    Straight, // a source moves on a line through the room
    Around,   // azimuth and distance move, so a source circles the listener
};

struct Cue {
    static constexpr int kMaxFadeTenths = 6000; // 600 s in 0.1 s steps
    static constexpr std::size_t kGroups = 7;   // ParameterGroup's values

    double number = 1; // as the operator numbers them: 1, 1.5, 2 ...
    std::string name;
    int fadeTenths = 0; // 0 to kMaxFadeTenths
    CuePath path = CuePath::Straight;
    std::bitset<8> channels = 0xFF;     // bit c: channel c + 1
    std::bitset<kGroups> groups = 0x7F; // bit g: ParameterGroup g
    // The recorded values of the scope, in the document's order of values.
    std::vector<std::pair<ParameterKey, int>> values;
};
