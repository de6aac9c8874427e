// What an OSC message asks of the program, read without touching the document: ADM-OSC
// object positions and gains (objects firstObject to firstObject+7 are channels 1 to 8) and
// the program's own addresses for every value, the three sends, the factory presets and the
// cue list.
// Patterns (*, ?, [], {}) in any part expand to every address they match, in time bounded by
// the address's length; an address longer than kMaxOscPattern is nothing, as is anything else.
#pragma once

#include "model/DocumentChange.h"
#include "osc/OscMessage.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct OscCommand {
    enum class Kind {
        Cartesian, // x, y, z in -1..1, each optional
        Polar,     // azimuth and elevation in degrees, distance 0..1, each optional
        Gain,      // linear, in values[0]
        ChannelValue,
        GlobalValue,
        Send,      // row: 0 patchbay, 1 channels, 2 globals
        TryPreset, // row: 1-9
        // The cue list. Actions name their address exactly (a pattern would record, fire and
        // go at once); the two queries take patterns. A cue is named by its number, in
        // values[1] for the edits.
        CueGo,
        CueBack,
        CueStop,
        CueRecord,
        CueFire,     // the cue's number in values[0]
        CueFade,     // seconds, 0-600, in values[0]
        CuePath,     // values[0]: 0 straight, 1 around
        CueChannels, // values[0]: bit c for channel c + 1
        CueLive,     // query only, answered with no argument while no cue is live
        CueCount,    // query only
    };
    Kind kind = Kind::Cartesian;
    int channel = -1; // 0-7 for objects and channel values
    int row = -1;     // parameter table row, section or preset row
    std::array<std::optional<double>, 3> values{};
    bool query = false;  // no arguments: answer with the current value
    std::string address; // the concrete address, for the answer

    friend bool operator==(const OscCommand&, const OscCommand&) = default;
};

// The commands a message carries; empty when it carries none the program takes.
std::vector<OscCommand> ReadOscCommands(const OscMessage& message, int firstObject);

// An attribute of /adm/obj/{n}/ the receiver takes: its command and where each of its
// arguments goes in the command's values (-1 past its argument count). The receiver and the
// address space both read this one table.
struct OscObjectAttribute {
    std::string_view name;
    OscCommand::Kind kind;     // Cartesian, Polar or Gain
    std::array<int, 3> places; // not "slots": a Qt keyword

    std::size_t Count() const;
};
extern const std::array<OscObjectAttribute, 10> kOscObjectAttributes;

// The names of parameter table rows in /orbis/ch/{n}/{Name} (the file key without its
// trailing 0) and /orbis/{Name}.
std::string_view OscChannelValueName(std::size_t row);
std::string_view OscGlobalValueName(std::size_t row);
// /orbis/send/{section}, by the send command's row.
extern const std::array<std::string_view, 3> kOscSendSections;
// /orbis/cue/{name}: the actions taken without arguments, and the two queries.
struct OscCueName {
    std::string_view name;
    OscCommand::Kind kind;
};
extern const std::array<OscCueName, 4> kOscCueActions;
extern const std::array<OscCueName, 2> kOscCueQueries;

// Whether a value received over OSC is set. Where the program sends is chosen on this
// computer, never from the network: the output device is only answered.
bool TakenOverOsc(ParameterKey key);

// A normalised coordinate (-1 to 1) as a 0-127 position value; 0 is the room centre, 64.
int PositionFromCoordinate(double coordinate);
// Polar ADM coordinates (degrees, degrees, 0-1) as normalised x, y, z; a distance outside
// 0-1 counts as the nearer end.
std::array<double, 3> CartesianFromPolar(double azimuth, double elevation, double distance);
// The other way, for an object whose polar values were never received.
std::array<double, 3> PolarFromCartesian(double x, double y, double z);
// A linear gain as the input level value whose decibel text is nearest.
int LevelFromGain(double gain);
// What a position value stands for, as a normalised coordinate, for answers: the inverse of
// PositionFromCoordinate, 0, 64 and 127 being -1, 0 and 1.
double CoordinateFromPosition(int value);
