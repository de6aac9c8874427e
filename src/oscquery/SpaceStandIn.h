// A small stand-in for the OSC address space until the osc library has the real one.
#pragma once

#include "model/DocumentChange.h"
#include "osc/OscMessage.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CControllerDoc;

struct OscNode {
    std::string path;
    std::string type;
    std::vector<std::pair<double, double>> range;
    bool readable = false;
    bool writable = false;
    std::string description;
    std::string unit;
    std::vector<ParameterKey> keys;
    bool feedback = false;
};

const std::vector<OscNode>& OscAddressSpace(int firstObject);
const OscNode* FindOscNode(int firstObject, std::string_view path);
std::vector<OscArgument> OscValueOf(const CControllerDoc& doc, const OscNode& node);
