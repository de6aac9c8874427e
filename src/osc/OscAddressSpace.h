// Every concrete address OSC control takes, with its type, range, access and the document
// values behind it: what OSCQuery publishes, what feedback sends and what `Orbis
// --osc-names` prints. Generated from the parameter table and the receiver's own tables, so
// it says what ReadOscCommands reads. A cue's edits (/orbis/cue/{n}/fade, path, channels)
// are not in it: their addresses are the cue list's numbers, which change as a show is built.
#pragma once

#include "model/DocumentChange.h"
#include "osc/OscMessage.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CControllerDoc;

// One concrete address the receiver takes (ReadOscCommands with the same firstObject reads a
// message to it, with arguments of `type`, as the command it stands for).
struct OscNode {
    std::string path;                             // "/adm/obj/1/xyz"
    std::string type;                             // OSC type tags of its value: "fff", "i",
                                                  // "f"; "" for an action with no value
    std::vector<std::pair<double, double>> range; // min, max for each type tag
    bool readable = false;                        // a query (no arguments) is answered
    bool writable = false;                        // a message with arguments changes it
    std::string description;                      // as people read it: "Source X, Y and Z of
                                                  // object 1 (channel 1)", "LPF Cutoff, Ch. 2"
    std::string unit;                             // "" or the unit word ("dB", "Hz", "m", "deg")
    std::vector<ParameterKey> keys;               // the document values it reads or writes
    bool feedback = false;                        // the one address per value that OSC feedback
                                                  // sends: /adm/obj/{n}/xyz for positions,
                                                  // /orbis/ch/{n}/{Name}, /orbis/{Name}
};

// Every concrete address the receiver takes, objects firstObject..firstObject+7, in a stable
// order (the /adm tree, then /orbis), generated from the parameter table and the receiver's
// own rules, so it can never disagree with what the receiver takes.
const std::vector<OscNode>& OscAddressSpace(int firstObject); // cached per firstObject
// The node at `path`, or nullptr.
const OscNode* FindOscNode(int firstObject, std::string_view path);
// The nodes that read or write the document value `key`, as places in
// OscAddressSpace(firstObject), in its order; empty for a value no address carries.
const std::vector<std::size_t>& OscNodesOf(int firstObject, ParameterKey key);
// The value of a readable node now, as the receiver's query answers it (same arguments).
// Polar attributes are worked out from the position, as for an object whose polar values
// were never received. The cue queries are the cue list's, not the document's: empty.
std::vector<OscArgument> OscValueOf(const CControllerDoc& doc, const OscNode& node);

// The space as a Markdown table: address, type, range, access, description, unit.
std::string OscAddressTable(int firstObject);
