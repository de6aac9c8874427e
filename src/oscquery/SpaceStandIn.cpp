#include "oscquery/SpaceStandIn.h"

#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "osc/OscControl.h"

#include <map>

const std::vector<OscNode>& OscAddressSpace(int firstObject) {
    static std::map<int, std::vector<OscNode>> cache;
    std::vector<OscNode>& nodes = cache[firstObject];
    if (!nodes.empty()) {
        return nodes;
    }
    for (int c = 0; c < 8; ++c) {
        const std::string object = "/adm/obj/" + std::to_string(firstObject + c);
        nodes.push_back(
            {object + "/xyz",
             "fff",
             {{-1, 1}, {-1, 1}, {-1, 1}},
             true,
             true,
             "Source X, Y and Z of object " + std::to_string(firstObject + c),
             "",
             {KeyOf(&CControllerDoc::XPosition, c), KeyOf(&CControllerDoc::YPosition, c),
              KeyOf(&CControllerDoc::ZPosition, c)},
             true});
        nodes.push_back({object + "/dist",
                         "f",
                         {{0, 1}},
                         false,
                         true,
                         "Distance",
                         "m",
                         {KeyOf(&CControllerDoc::XPosition, c)},
                         false});
    }
    nodes.push_back({"/orbis/ch/1/InputLevel",
                     "i",
                     {{0, 127}},
                     true,
                     true,
                     "Input level",
                     "dB",
                     {KeyOf(&CControllerDoc::InputLevel, 0)},
                     true});
    return nodes;
}

const OscNode* FindOscNode(int firstObject, std::string_view path) {
    for (const OscNode& node : OscAddressSpace(firstObject)) {
        if (node.path == path) {
            return &node;
        }
    }
    return nullptr;
}

std::vector<OscArgument> OscValueOf(const CControllerDoc& doc, const OscNode& node) {
    std::vector<OscArgument> value;
    for (const ParameterKey key : node.keys) {
        if (node.type == "fff") {
            value.emplace_back(static_cast<float>(CoordinateFromPosition(doc.Get(key))));
        } else {
            value.emplace_back(static_cast<std::int32_t>(doc.Get(key)));
        }
    }
    return value;
}
