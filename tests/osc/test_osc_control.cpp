// Reading OSC control: which commands a message carries, as a table, the address patterns,
// the conversions of coordinates, polar positions and gains into the program's 0-127 values,
// and the receiving thread against hostile datagrams and queries.
#include "osc/COscReceiver.h"
#include "osc/OscControl.h"
#include "osc/OscPattern.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
    {"a negated list of channels",
     {"/orbis/ch/[!2-8]/LPFCutOff", {1}},
     1,
     {"/orbis/ch/1/LPFCutOff"}},
    {"nine empty groups", {Hostile(9), {}}, 1, {}},
    {"thirty empty groups", {Hostile(30), {}}, 1, {}},
    {"an address past the limit",
     {"/adm/obj/1/" + std::string(kMaxOscPattern, '*'), {0.5f}},
     1,
     {}},
};

} // namespace

TEST(OscControl, WhatAMessageCarries) {
    for (const ReadCase& test : kReadCases) {
        SCOPED_TRACE(test.name);
        std::vector<std::string> addresses;
        for (const OscCommand& command : ReadOscCommands(test.message, test.firstObject)) {
            addresses.push_back(command.address);
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
}

TEST(OscControl, Patterns) {
    struct Case {
        std::string pattern;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"abc", "abc", true},
        {"abc", "abd", false},
        {"abc", "ab", false},
        {"", "", true},
        {"", "a", false},
        {"a?c", "abc", true},
        {"?", "", false},
        {"*", "", true},
        {"*", "anything", true},
        {"a*c", "ac", true},
        {"a*b*c", "axxbyyc", true},
        {"a*b*c", "axxcyyb", false},
        {"**?", "x", true},
        {"[abc]", "b", true},
        {"[abc]", "d", false},
        {"[a-c]x", "bx", true},
        {"[c-a]", "b", true},
        {"[!a-c]", "d", true},
        {"[!a-c]", "b", false},
        {"[a-]", "-", true},
        {"[-a]", "-", true},
        {"[a!]", "!", true},
        {"[]", "a", false},
        {"[!]", "a", true},
        {"[1-8]", "9", false},
        {"{foo,bar}", "bar", true},
        {"{foo,bar}", "baz", false},
        {"{,a}b", "b", true},
        {"{a,ab}c", "abc", true},
        {"{}", "", true},
        {"a]}", "a]}", true},
        {"[abc", "a", false},
        {"{a,b", "a", false},
        {"{a,{b}}", "b", false},
        {Hostile(9).substr(7), "a", true},
        {Hostile(9).substr(7), "LPFCutOff", false},
        {Hostile(40).substr(7), "b", false},
        {std::string(100, '*') + "b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
        {std::string(kMaxOscPattern, '*'), "x", true},
        {std::string(kMaxOscPattern + 1, '*'), "x", false},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(MatchOscPattern(test.pattern, test.name), test.matches)
            << test.pattern.substr(0, 40) << " on " << test.name;
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

namespace {

using namespace std::chrono_literals;

// A UDP socket on the loopback, to send to the receiver and take its answers.
class LoopbackSocket {
public:
    LoopbackSocket() : m_fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)) {
        sockaddr_in local = Address(0);
        static_cast<void>(::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local));
        socklen_t length = sizeof local;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length);
        m_port = ntohs(local.sin_port);
    }
    ~LoopbackSocket() { ::close(m_fd); }
    quint16 Port() const { return m_port; }
    void Send(quint16 port, const OscMessage& message) const {
        const std::vector<char> datagram = EncodeOsc(message);
        const sockaddr_in to = Address(port);
        static_cast<void>(::sendto(m_fd, datagram.data(), datagram.size(), 0,
                                   reinterpret_cast<const sockaddr*>(&to), sizeof to));
    }
    // A datagram waiting, decoded.
    std::optional<OscMessage> Receive() const {
        std::array<char, 2048> buffer{};
        const ssize_t size = ::recv(m_fd, buffer.data(), buffer.size(), 0);
        return size > 0 ? DecodeOsc(buffer.data(), static_cast<std::size_t>(size)) : std::nullopt;
    }

private:
    static sockaddr_in Address(quint16 port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }
    int m_fd;
    quint16 m_port = 0;
};

class OscReceiverTest : public ::testing::Test {
protected:
    void SetUp() override {
        COscReceiver::Settings settings;
        settings.answerPort = peer.Port();
        QString why;
        ASSERT_TRUE(receiver.Start(settings, &why)) << why.toStdString();
    }
    void Send(const OscMessage& message) { peer.Send(receiver.Port(), message); }
    // What arrives up to and with `address`. The wait ends long before a matcher that
    // backtracks would have read one hostile address.
    std::vector<COscReceiver::Received> TakeUntil(const std::string& address) {
        std::vector<COscReceiver::Received> taken;
        for (const auto until = std::chrono::steady_clock::now() + 10s;
             std::chrono::steady_clock::now() < until;) {
            for (COscReceiver::Received& received : receiver.Take()) {
                taken.push_back(std::move(received));
                if (taken.back().command.address == address) {
                    return taken;
                }
            }
            std::this_thread::sleep_for(1ms);
        }
        ADD_FAILURE() << address << " never arrived";
        return taken;
    }

    LoopbackSocket peer;
    COscReceiver receiver;
};

} // namespace

TEST_F(OscReceiverTest, HostilePatternsNeitherHoldTheThreadNorItsStop) {
    Send({Hostile(9), {}});
    Send({Hostile(30), {}});
    Send({"/adm/obj/1/x", {0.5f}});
    const auto taken = TakeUntil("/adm/obj/1/x");
    EXPECT_EQ(taken.size(), 1u);
    EXPECT_GE(receiver.Dropped(), 2u);
    for (int i = 0; i < 200; ++i) {
        Send({Hostile(30), {}});
    }
    const auto before = std::chrono::steady_clock::now();
    receiver.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s) << "a hang, not a slow stop";
    EXPECT_FALSE(receiver.IsListening());
}

TEST_F(OscReceiverTest, QueriesAreAnsweredToTheLoopbackAChannelsWorthAtATime) {
    Send({"/orbis/ch/*/*", {}}); // every value of every channel: 320 queries
    Send({"/adm/obj/1/x", {0.5f}});
    std::size_t queries = 0;
    for (const COscReceiver::Received& received : TakeUntil("/adm/obj/1/x")) {
        queries += received.command.query ? 1 : 0;
    }
    EXPECT_EQ(queries, COscReceiver::kAnswersPerQuery);

    const OscMessage answer{"/adm/obj/1/x", {0.5f}};
    EXPECT_TRUE(receiver.Answer(QHostAddress(QHostAddress::LocalHost), answer));
    std::optional<OscMessage> received;
    for (int i = 0; i < 1000 && !received; ++i) {
        std::this_thread::sleep_for(1ms);
        received = peer.Receive();
    }
    EXPECT_EQ(received, answer);
    // Whoever a source address names is answered only when the user listed it.
    struct Case {
        const char* host;
        QList<QHostAddress> allowed;
        bool answered;
    };
    const QHostAddress listed(QStringLiteral("192.0.2.1"));
    for (const Case& test : {Case{"127.0.0.1", {}, true}, Case{"127.0.0.9", {listed}, true},
                             Case{"192.0.2.1", {}, false}, Case{"192.0.2.1", {listed}, true},
                             Case{"192.0.2.2", {listed}, false}}) {
        EXPECT_EQ(
            COscReceiver::Answerable(QHostAddress(QString::fromLatin1(test.host)), test.allowed),
            test.answered)
            << test.host;
    }
}

TEST(OscReceiver, AnswersAreBudgetedPerSecond) {
    using Clock = COscReceiver::AnswerBudget::Clock;
    COscReceiver::AnswerBudget budget;
    const Clock::time_point start = Clock::time_point{} + 1h;
    struct Step {
        Clock::duration after; // since the start
        int asked;
        int answered;
    };
    constexpr int kSecond = COscReceiver::kAnswersPerSecond;
    for (const Step& step :
         {Step{0s, 1000, kSecond}, Step{10ms, 10, kSecond / 100}, Step{10ms, 10, 0},
          Step{1010ms, 1000, kSecond}, Step{100s, 1000, kSecond}}) {
        int answered = 0;
        for (int i = 0; i < step.asked; ++i) {
            answered += budget.Spend(start + step.after) ? 1 : 0;
        }
        EXPECT_EQ(answered, step.answered) << step.after.count();
    }
}
