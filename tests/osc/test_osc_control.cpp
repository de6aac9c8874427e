// Reading OSC control: which commands a message carries, as a table, the address space against
// the receiver, the address patterns, the conversions into the program's 0-127 values, and the
// receiving thread against hostile input.
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "osc/COscReceiver.h"
#include "osc/OscAddressSpace.h"
#include "osc/OscControl.h"
#include "osc/OscPattern.h"

#include <QUdpSocket>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <thread>

namespace {

using Kind = OscCommand::Kind;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Eleven empty choices, nine times: a backtracking matcher tries 11^9 ways before failing.
std::string Hostile(int groups) {
    std::string address = "/orbis/";
    for (int i = 0; i < groups; ++i) {
        address += "{,,,,,,,,,,}";
    }
    return address + "a";
}

struct ReadCase {
    const char* name;
    OscMessage message;
    int firstObject;
    std::vector<std::string> addresses; // of the commands read, in order; empty: dropped
};

const ReadCase kReadCases[] = {
    {"xyz of object 3", {"/adm/obj/3/xyz", {0.5f, -1.0f, 0.0f}}, 1, {"/adm/obj/3/xyz"}},
    {"integers are numbers", {"/adm/obj/1/xy", {1, 0}}, 1, {"/adm/obj/1/xy"}},
    {"every object",
     {"/adm/obj/*/z", {1.0f}},
     1,
     {"/adm/obj/1/z", "/adm/obj/2/z", "/adm/obj/3/z", "/adm/obj/4/z", "/adm/obj/5/z",
      "/adm/obj/6/z", "/adm/obj/7/z", "/adm/obj/8/z"}},
    {"a range from the first object",
     {"/adm/obj/[8-9]/gain", {0.5f}},
     2,
     {"/adm/obj/8/gain", "/adm/obj/9/gain"}},
    {"object 0", {"/adm/obj/0/x", {0.0f}}, 1, {}},
    {"object 9", {"/adm/obj/9/x", {0.0f}}, 1, {}},
    {"object 99999", {"/adm/obj/99999/x", {0.0f}}, 1, {}},
    {"objects before the first", {"/adm/obj/1/x", {0.0f}}, 9, {}},
    {"a query", {"/adm/obj/2/aed", {}}, 1, {"/adm/obj/2/aed"}},
    {"too few arguments", {"/adm/obj/1/xyz", {0.0f, 0.0f}}, 1, {}},
    {"a string for a number", {"/adm/obj/1/x", {std::string("left")}}, 1, {}},
    {"not a number", {"/adm/obj/1/x", {kNaN}}, 1, {}},
    {"infinity", {"/adm/obj/1/aed", {kInf, 0.0f, 1.0f}}, 1, {}},
    {"an unknown attribute", {"/adm/obj/1/size", {0.5f}}, 1, {}},
    {"an unknown address", {"/adm/env/1/x", {0.5f}}, 1, {}},
    {"a channel value", {"/orbis/ch/2/LPFCutOff", {64}}, 1, {"/orbis/ch/2/LPFCutOff"}},
    {"a channel value's channel is not an object",
     {"/orbis/ch/2/LPFCutOff", {64}},
     9,
     {"/orbis/ch/2/LPFCutOff"}},
    {"channel 9", {"/orbis/ch/9/LPFCutOff", {64}}, 1, {}},
    {"a file key's trailing 0", {"/orbis/ch/1/LPFCutOff0", {64}}, 1, {}},
    {"an unknown send", {"/orbis/send/all", {}}, 1, {}},
    {"a global", {"/orbis/RoomSide", {20}}, 1, {"/orbis/RoomSide"}},
    {"a send", {"/orbis/send/channels", {}}, 1, {"/orbis/send/channels"}},
    {"a send with arguments", {"/orbis/send/channels", {1}}, 1, {}},
    {"a preset", {"/orbis/preset/try", {3}}, 1, {"/orbis/preset/try"}},
    {"preset row 10", {"/orbis/preset/try", {10}}, 1, {}},
    {"the first part is a pattern too",
     {"/*/obj/1/xyz", {0.0f, 0.0f, 0.0f}},
     1,
     {"/adm/obj/1/xyz"}},
    {"a first part naming both trees",
     {"/{adm,orbis}/{obj,ch}/2/{x,LPFCutOff}", {1}},
     1,
     {"/adm/obj/2/x", "/orbis/ch/2/LPFCutOff"}},
    {"a first part naming neither", {"/a?/obj/1/x", {0.5f}}, 1, {}},
    {"go", {"/orbis/cue/go", {}}, 1, {"/orbis/cue/go"}},
    {"go with an argument", {"/orbis/cue/go", {1}}, 1, {}},
    {"an action is never a pattern",
     {"/orbis/cue/*", {}},
     1,
     {"/orbis/cue/live", "/orbis/cue/count"}},
    {"fire by a float", {"/orbis/cue/fire", {1.5f}}, 1, {"/orbis/cue/fire"}},
    {"fire without a cue", {"/orbis/cue/fire", {}}, 1, {}},
    {"fire by a string", {"/orbis/cue/fire", {std::string("1")}}, 1, {}},
    {"a fade", {"/orbis/cue/2.5/fade", {3}}, 1, {"/orbis/cue/2.5/fade"}},
    {"a fade of no cue number", {"/orbis/cue/x/fade", {3}}, 1, {}},
    {"a path by name", {"/orbis/cue/1/path", {std::string("around")}}, 1, {"/orbis/cue/1/path"}},
    {"an unknown path", {"/orbis/cue/1/path", {std::string("spiral")}}, 1, {}},
    {"channels", {"/orbis/cue/1/channels", {1, 8.0f}}, 1, {"/orbis/cue/1/channels"}},
    {"channel 9", {"/orbis/cue/1/channels", {1, 9}}, 1, {}},
    {"channel 1.5", {"/orbis/cue/1/channels", {1.5f}}, 1, {}},
    {"an edit without arguments", {"/orbis/cue/1/channels", {}}, 1, {}},
};

} // namespace

TEST(OscControl, WhatAMessageCarries) {
    for (const ReadCase& test : kReadCases) {
        SCOPED_TRACE(test.name);
        std::vector<std::string> addresses;
        for (const OscCommand& command : ReadOscCommands(test.message, test.firstObject)) {
            addresses.push_back(command.address);
            // In the address space too, but for a cue's edits, named by the cue's number.
            EXPECT_TRUE(FindOscNode(test.firstObject, command.address) ||
                        std::count(command.address.begin(), command.address.end(), '/') == 4);
        }
        EXPECT_EQ(addresses, test.addresses);
    }
    // What the commands hold: channels counted from the first object, clamped values.
    const auto gain = ReadOscCommands({"/adm/obj/9/gain", {0.5f}}, 2);
    ASSERT_EQ(gain.size(), 1u);
    EXPECT_EQ(gain[0].kind, Kind::Gain);
    EXPECT_EQ(gain[0].channel, 7);
    const auto azimuth = ReadOscCommands({"/adm/obj/1/azim", {30.0f}}, 1);
    ASSERT_EQ(azimuth.size(), 1u);
    EXPECT_EQ(azimuth[0].values[0], 30.0);
    EXPECT_FALSE(azimuth[0].values[1]) << "a lone azimuth leaves elevation to the object";
    const auto value = ReadOscCommands({"/orbis/ch/1/InputLevel", {500}}, 1);
    ASSERT_EQ(value.size(), 1u);
    EXPECT_EQ(value[0].values[0], 127.0);
    const auto away = ReadOscCommands({"/adm/obj/6/aed", {90.0f, 0.0f, -5.0f}}, 1);
    ASSERT_EQ(away.size(), 1u);
    EXPECT_EQ(away[0].values[2], 0.0) << "a distance is 0 to 1";
    const auto fade = ReadOscCommands({"/orbis/cue/2.5/fade", {900.0f}}, 1);
    ASSERT_EQ(fade.size(), 1u);
    EXPECT_EQ(fade[0].values[0], 600.0) << "a fade is at most 600 s";
    EXPECT_EQ(fade[0].values[1], 2.5);
    const auto channels = ReadOscCommands({"/orbis/cue/1/channels", {2, 8.0f, 2}}, 1);
    ASSERT_EQ(channels.size(), 1u);
    EXPECT_EQ(channels[0].values[0], 0x82);
}

// The document values a command reads or writes, worked out from the command alone.
std::vector<ParameterKey> KeysOf(const OscCommand& command) {
    const std::array<ChannelArray CControllerDoc::*, 3> axes = {
        &CControllerDoc::XPosition, &CControllerDoc::YPosition, &CControllerDoc::ZPosition};
    std::vector<ParameterKey> keys;
    for (std::size_t axis = 0; axis < axes.size(); ++axis) {
        if (command.kind == Kind::Polar ||
            (command.kind == Kind::Cartesian && command.values[axis])) {
            keys.push_back(KeyOf(axes[axis], command.channel));
        }
    }
    if (command.kind == Kind::Gain) {
        keys.push_back(KeyOf(&CControllerDoc::InputLevel, command.channel));
    } else if (command.kind == Kind::ChannelValue || command.kind == Kind::GlobalValue) {
        keys.push_back(ParameterKey::Channel(command.row, command.channel));
    } else if (command.kind == Kind::TryPreset) {
        keys.push_back(KeyOf(&CControllerDoc::DefaultPreset));
    }
    for (const SectionMessage& m : command.kind == Kind::Send
                                       ? SectionMessages({}, SendSection(command.row + 1))
                                       : std::vector<SectionMessage>{}) {
        const auto* global = FindGlobalParameterByChannel(m.channel);
        keys.push_back(
            m.controller == 0 && global
                ? KeyOf(global->member)
                : KeyOf(FindChannelParameterByController(m.controller)->array, m.channel));
    }
    return keys;
}

// Every node read as the command it stands for: a message with arguments of its type at the
// ends and middle of its range (taken unclamped), and a query when it is readable.
TEST(OscAddressSpace, EveryNodeIsReadAsTheCommandItStandsFor) {
    for (const int first : {1, 17, 99999}) {
        std::map<std::pair<int, int>, int> feedback; // addresses fed back, by key
        // Objects, channel values, globals, sends, the preset try, cue actions, fire, queries.
        EXPECT_EQ(OscAddressSpace(first).size(), 8 * 10 + 8 * 40 + 8 + 3 + 1 + 4 + 1 + 2);
        for (const OscNode& node : OscAddressSpace(first)) {
            SCOPED_TRACE(node.path);
            ASSERT_EQ(node.range.size(), node.type.size());
            EXPECT_EQ(FindOscNode(first, node.path), &node);
            for (const ParameterKey key : node.feedback ? node.keys : std::vector<ParameterKey>{}) {
                ++feedback[{key.row, key.channel}];
            }
            std::vector<OscMessage> messages;
            for (const double where :
                 node.writable ? std::vector{0.0, 0.5, 1.0} : std::vector<double>{}) {
                OscMessage& message = messages.emplace_back(OscMessage{node.path, {}});
                for (std::size_t i = 0; i < node.type.size(); ++i) {
                    const double value =
                        node.range[i].first + (node.range[i].second - node.range[i].first) * where;
                    message.arguments.push_back(
                        node.type[i] == 'i'
                            ? OscArgument(static_cast<std::int32_t>(std::lround(value)))
                            : OscArgument(static_cast<float>(value)));
                }
            }
            if (node.readable) {
                messages.push_back({node.path, {}});
            }
            for (const OscMessage& message : messages) {
                SCOPED_TRACE(message.Types());
                const auto commands = ReadOscCommands(message, first);
                ASSERT_EQ(commands.size(), 1u);
                EXPECT_EQ(commands[0].address, node.path);
                EXPECT_EQ(commands[0].query, message.arguments.empty() && node.type != "");
                for (std::size_t i = 0; i < message.arguments.size(); ++i) {
                    const double sent = message.Int(i) ? static_cast<double>(*message.Int(i))
                                                       : static_cast<double>(*message.Float(i));
                    EXPECT_NE(std::find(commands[0].values.begin(), commands[0].values.end(), sent),
                              commands[0].values.end())
                        << sent;
                }
                const std::vector<ParameterKey> keys = KeysOf(commands[0]);
                EXPECT_TRUE(commands[0].query ||
                            std::is_permutation(keys.begin(), keys.end(), node.keys.begin(),
                                                node.keys.end()));
            }
        }
        // Every value of the document is fed back on exactly one address.
        EXPECT_EQ(feedback.size(), CControllerDoc().Values().size());
        for (const auto& [key, count] : feedback) {
            EXPECT_EQ(count, 1) << key.first << " " << key.second;
        }
    }
}
// The other way: what the receiver takes is in the space, with the addresses it spells.
TEST(OscAddressSpace, WhatTheReceiverTakesIsInTheSpace) {
    for (const int first : {1, 17}) {
        std::vector<std::string> taken = {"/orbis/send/globals", "/orbis/cue/count"};
        for (int object = first; object < first + 8; ++object) {
            for (const char* attribute :
                 {"xyz", "xy", "x", "y", "z", "aed", "azim", "elev", "dist", "gain"}) {
                taken.push_back("/adm/obj/" + std::to_string(object) + "/" + attribute);
            }
        }
        for (const GlobalParameter& parameter : kGlobalParameters) {
            taken.push_back("/orbis/" + std::string(parameter.fileKey));
        }
        for (const ChannelParameter& parameter : kChannelParameters) {
            taken.push_back("/orbis/ch/8/" +
                            std::string(parameter.fileKey.substr(0, parameter.fileKey.size() - 1)));
        }
        for (const std::string& address : taken) {
            EXPECT_FALSE(ReadOscCommands({address, {}}, first).empty()) << address;
            EXPECT_TRUE(FindOscNode(first, address)) << address;
        }
    }
    for (const char* address :
         {"/adm/obj/9/x", "/adm/obj/0/x", "/adm/obj/1/size", "/orbis/ch/9/XPosition",
          "/orbis/ch/1/XPosition0", "/orbis/send/all", "/adm/obj/*/x"}) {
        EXPECT_FALSE(FindOscNode(1, address)) << address;
    }
    const OscNode* device = FindOscNode(1, "/orbis/outMIDIPort");
    ASSERT_TRUE(device);
    EXPECT_TRUE(device->readable && !device->writable) << "answered, never set from the network";
}

TEST(OscAddressSpace, ValuesAreAnsweredFromTheDocumentAndTheReadmeHoldsTheTable) {
    CControllerDoc doc;
    doc.XPosition[1] = 127;
    doc.ZPosition[1] = 0;
    doc.LPFCutOff[2] = 33;
    const auto value = [&doc](const char* path) { return OscValueOf(doc, *FindOscNode(2, path)); };
    using A = std::vector<OscArgument>;
    EXPECT_EQ(value("/adm/obj/3/xyz"), (A{1.0f, 0.0f, -1.0f}));
    EXPECT_EQ(value("/adm/obj/3/y"), (A{0.0f}));
    EXPECT_EQ(value("/adm/obj/3/gain"), (A{static_cast<float>(doc.InputLevel[1] / 127.0)}));
    const auto aed = value("/adm/obj/3/aed");
    ASSERT_EQ(aed.size(), 3u);
    EXPECT_NEAR(std::get<float>(aed[0]), -90.0f, 1e-4); // right is a negative azimuth
    EXPECT_NEAR(std::get<float>(aed[1]), -45.0f, 1e-4);
    EXPECT_EQ(value("/orbis/ch/3/LPFCutOff"), (A{33}));
    EXPECT_EQ(value("/orbis/RoomSide"), (A{doc.RoomSide}));
    EXPECT_EQ(value("/orbis/send/globals"), A{}) << "an action has no value";

    const std::string table = OscAddressTable(1);
    EXPECT_NE(
        table.find("| `/adm/obj/1/aed` | fff | -180 to 180, -90 to 90, 0 to 1 | read, write | "
                   "Source azimuth, elevation and distance of object 1 (channel 1) |  |\n"),
        std::string::npos);
    std::ifstream file(ORBIS_README);
    const std::string readme{std::istreambuf_iterator<char>(file), {}};
    EXPECT_NE(readme.find("\n\n" + table), std::string::npos)
        << "paste the output of Orbis --osc-names into README.md";
}

TEST(OscControl, Patterns) {
    struct Case {
        std::string pattern;
        std::vector<std::string_view> matched, unmatched;
    };
    const Case cases[] = {
        {"abc", {"abc"}, {"ab", "abcd"}},
        {"a?c", {"abc"}, {"ac"}},
        {"a*b*c", {"abc", "axxbyyc"}, {"axcyb"}},
        {"[a-c]x", {"bx"}, {"dx", "x"}},
        {"[c-a]", {"b"}, {"d"}},
        {"[!a-c]", {"d"}, {"b"}},
        {"[-a!]", {"-", "a", "!"}, {"b"}}, // a minus at an end and a later ! are themselves
        {"[]", {}, {"", "a"}},
        {"{foo,bar}x", {"foox", "barx"}, {"bazx"}},
        {"{,a}b", {"b", "ab"}, {"a"}},
        {"{a,ab}c", {"ac", "abc"}, {"ab"}},
        {"[abc", {}, {"a", "[abc"}},
        {"{a,b", {}, {"a"}},
        {"{a,{b}}", {}, {"a", "b"}},
        {Hostile(9).substr(7), {"a"}, {"LPFCutOff"}},
        {std::string(kMaxOscPattern, '*'), {"x"}, {}},
        {std::string(kMaxOscPattern + 1, '*'), {}, {"x"}},
    };
    for (const Case& test : cases) {
        for (const bool matched : {true, false}) {
            for (const std::string_view name : matched ? test.matched : test.unmatched) {
                EXPECT_EQ(MatchOscPattern(test.pattern, name), matched)
                    << test.pattern.substr(0, 40) << " on " << name;
            }
        }
    }
}

TEST(OscControl, Conversions) {
    struct Position {
        double coordinate;
        int value;
    };
    for (const Position& p :
         {Position{0.0, 64}, Position{1.0, 127}, Position{-1.0, 0}, Position{0.5, 95},
          Position{-0.5, 32}, Position{2.0, 127}, Position{-7.0, 0}}) {
        EXPECT_EQ(PositionFromCoordinate(p.coordinate), p.value) << p.coordinate;
        if (std::abs(p.coordinate) == 1.0 || p.coordinate == 0.0) {
            EXPECT_EQ(CoordinateFromPosition(p.value), p.coordinate) << "answered exactly";
        }
    }
    for (int value = 0; value <= 127; ++value) {
        EXPECT_EQ(PositionFromCoordinate(CoordinateFromPosition(value)), value);
    }
    struct Polar {
        double azimuth, elevation, distance;
        std::array<int, 3> xyz;
    };
    for (const Polar& p : {Polar{0, 0, 1, {64, 127, 64}}, Polar{90, 0, 1, {0, 64, 64}},
                           Polar{-90, 0, 1, {127, 64, 64}}, Polar{180, 0, 0.5, {64, 32, 64}},
                           Polar{0, 90, 1, {64, 64, 127}}, Polar{45, 0, 0, {64, 64, 64}},
                           Polar{90, 0, 5, {0, 64, 64}}, Polar{90, 0, -5, {64, 64, 64}}}) {
        const auto c = CartesianFromPolar(p.azimuth, p.elevation, p.distance);
        const std::array<int, 3> xyz = {PositionFromCoordinate(c[0]), PositionFromCoordinate(c[1]),
                                        PositionFromCoordinate(c[2])};
        EXPECT_EQ(xyz, p.xyz) << p.azimuth << " " << p.elevation << " " << p.distance;
        const auto back = PolarFromCartesian(c[0], c[1], c[2]);
        if (p.distance > 0 && p.distance <= 1 && std::abs(p.elevation) < 90) {
            EXPECT_NEAR(std::remainder(back[0] - p.azimuth, 360.0), 0.0, 1e-9);
            EXPECT_NEAR(back[2], p.distance, 1e-9);
        }
    }
    // Level value v shows 20*log10(v/127) dB.
    EXPECT_EQ(LevelFromGain(1.0), 127);
    EXPECT_EQ(LevelFromGain(4.0), 127);
    EXPECT_EQ(LevelFromGain(0.0), 0);
    EXPECT_EQ(LevelFromGain(-1.0), 0);
    EXPECT_EQ(LevelFromGain(0.5), 64);   // -6.02 dB: 63 is -6.09, 64 -6.02
    EXPECT_EQ(LevelFromGain(0.0001), 1); // far below the scale: its lowest step
}

TEST(OscReceiver, HostilePatternsHoldNeitherTheThreadNorItsStopAndQueriesAreCapped) {
    using namespace std::chrono_literals;
    using Clock = std::chrono::steady_clock;
    COscReceiver receiver;
    COscReceiver::Settings onlyListed; // a list kept for the network shuts out no local program
    onlyListed.allowedHosts = {QHostAddress(QStringLiteral("192.0.2.1"))};
    ASSERT_TRUE(receiver.Start(onlyListed));
    const auto SendTo = [](quint16 port, const OscMessage& message) {
        const std::vector<char> datagram = EncodeOsc(message);
        QUdpSocket().writeDatagram(datagram.data(), static_cast<qint64>(datagram.size()),
                                   QHostAddress(QHostAddress::LocalHost), port);
    };
    SendTo(receiver.Port(), {Hostile(9), {}});
    SendTo(receiver.Port(), {"/orbis/ch/*/*", {}}); // every value of every channel
    SendTo(receiver.Port(), {"/adm/obj/1/x", {0.5f}});
    // The nine groups alone once held the thread for over a minute.
    std::string last;
    std::size_t queries = 0;
    for (const auto until = Clock::now() + 10s; last != "/adm/obj/1/x" && Clock::now() < until;) {
        for (const COscReceiver::Received& received : receiver.Take()) {
            last = received.command.address;
            queries += received.command.query ? 1 : 0;
        }
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(last, "/adm/obj/1/x");
    EXPECT_EQ(queries, COscReceiver::kAnswersPerQuery);
    for (int i = 0; i < 200; ++i) {
        SendTo(receiver.Port(), {Hostile(41), {}}); // the longest address taken
    }
    const auto stopping = Clock::now();
    receiver.Stop();
    EXPECT_LT(Clock::now() - stopping, 5s) << "a hang, not a slow stop";
}

TEST(OscReceiver, AnswersGoOnlyToTheLoopbackOrListedHostsWithinABudget) {
    const QHostAddress listed(QStringLiteral("192.0.2.1"));
    EXPECT_TRUE(COscReceiver::Answerable(QHostAddress(QHostAddress::LocalHost), {}));
    EXPECT_TRUE(COscReceiver::Answerable(listed, {listed}));
    EXPECT_FALSE(COscReceiver::Answerable(listed, {}));
    EXPECT_FALSE(COscReceiver::Answerable(QHostAddress(QStringLiteral("192.0.2.2")), {listed}));
    // A second's worth at once, then as time passes, never more than a second's saved up.
    using namespace std::chrono_literals;
    COscReceiver::AnswerBudget budget;
    const auto start = COscReceiver::AnswerBudget::Clock::time_point{} + 1h;
    const auto spent = [&](auto after) {
        int answers = 0;
        while (answers < 1000 && budget.Spend(start + after)) {
            ++answers;
        }
        return answers;
    };
    EXPECT_EQ(spent(0s), COscReceiver::kAnswersPerSecond);
    EXPECT_EQ(spent(10ms), COscReceiver::kAnswersPerSecond / 100);
    EXPECT_EQ(spent(100s), COscReceiver::kAnswersPerSecond);
}
