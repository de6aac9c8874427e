// The value texts and the label rule, row by row.
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "model/ValueText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>

namespace {

struct Row {
    const char* conversion;
    int value;
    std::function<std::string(int)> format;
    const char* expected;
};

std::function<std::string(int)> Decibels(bool attenuation) {
    return [attenuation](int v) { return FormatDecibels(v, attenuation); };
}
std::function<std::string(int)> Metres(int roomSide) {
    return [roomSide](int v) { return FormatMetres(roomSide, v); };
}
std::function<std::string(int)> HighPass(int rate) {
    return [rate](int v) { return FormatHighPassCutoff(v, rate); };
}
std::function<std::string(int)> LowPass(int rate) {
    return [rate](int v) { return FormatLowPassCutoff(v, rate); };
}
std::function<std::string(int)> Degrees(bool full) {
    return [full](int v) { return FormatDegrees(full, v); };
}

TEST(ValueText, Conversions) {
    const Row rows[] = {
        {"level", 0, Decibels(false), "-inf"},
        {"level", 1, Decibels(false), "-42.076"},
        {"level", 64, Decibels(false), "-5.952"},
        {"level", 100, Decibels(false), "-2.076"},
        {"level", 127, Decibels(false), "0.000"},
        {"attenuation", 0, Decibels(true), "0.000"},
        {"attenuation", 1, Decibels(true), "-0.069"},
        {"attenuation", 64, Decibels(true), "-6.089"},
        {"attenuation", 126, Decibels(true), "-42.076"},
        {"attenuation", 127, Decibels(true), "-inf"},
        {"room side", 0, FormatRoomSide, "4.000"},
        {"room side", 11, FormatRoomSide, "6.453"},
        {"room side", 64, FormatRoomSide, "64.635"},
        {"room side", 127, FormatRoomSide, "1000.000"},
        {"metres, side 11", 0, Metres(11), "-3.226"},
        {"metres, side 11", 64, Metres(11), "0.025"},
        {"metres, side 11", 127, Metres(11), "3.226"},
        {"metres, side 127", 0, Metres(127), "-500.000"},
        {"high-pass 44100", 0, HighPass(0), "0.000"},
        {"high-pass 44100", 1, HighPass(0), "55.484"},
        {"high-pass 44100", 64, HighPass(0), "4560.845"},
        {"high-pass 44100", 127, HighPass(0), "11025.000"},
        {"high-pass 48000", 127, HighPass(1), "12000.000"},
        {"high-pass 88200", 127, HighPass(2), "22050.000"},
        {"high-pass 96000", 127, HighPass(3), "24000.000"},
        {"high-pass index 5", 64, HighPass(5), "0.000"},
        {"high-pass index -1", 64, HighPass(-1), "0.000"},
        {"low-pass 44100", 1, LowPass(0), "0.435"},
        {"low-pass 44100", 64, LowPass(0), "2071.118"},
        {"low-pass 44100", 100, LowPass(0), "7396.861"},
        {"low-pass 44100", 115, LowPass(0), "18389.491"},
        {"low-pass 44100", 116, LowPass(0), "18389.491"},
        {"low-pass 44100", 127, LowPass(0), "18389.491"},
        {"low-pass 44100", INT_MAX, LowPass(0), "18389.491"},
        {"low-pass index 5", 64, LowPass(5), "0.000"},
        {"degrees full", 0, Degrees(true), "0"},
        {"degrees full", 64, Degrees(true), "181"},
        {"degrees full", 127, Degrees(true), "360"},
        {"degrees signed", 0, Degrees(false), "-180"},
        {"degrees signed", 63, Degrees(false), "-1"},
        {"degrees signed", 64, Degrees(false), "0"},
        {"degrees signed", 65, Degrees(false), "4"},
        {"degrees signed", 127, Degrees(false), "180"},
        {"degrees full", INT_MAX, Degrees(true), "6087355220"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.format(row.value), row.expected) << row.conversion << " of " << row.value;
    }
}

TEST(ValueText, DegreesValueIsTheUnroundedAngle) {
    EXPECT_NEAR(DegreesValue(true, 64), 181.417, 0.001);
    EXPECT_NEAR(DegreesValue(false, 64), 1.417, 0.001); // no replacement by 0
    EXPECT_DOUBLE_EQ(DegreesValue(false, 0), -180.0);
    EXPECT_DOUBLE_EQ(DegreesValue(true, 127), 360.0);
}

TEST(ValueText, OutOfRangeValuesGiveTextNotFaults) {
    // Files may hold any int; the texts must stay defined for them.
    for (int value : {INT_MIN, -5, 128, 300, INT_MAX}) {
        EXPECT_FALSE(FormatDecibels(value, false).empty()) << value;
        EXPECT_FALSE(FormatDecibels(value, true).empty()) << value;
        EXPECT_FALSE(FormatRoomSide(value).empty()) << value;
        EXPECT_FALSE(FormatMetres(value, value).empty()) << value;
        EXPECT_FALSE(FormatHighPassCutoff(value, 0).empty()) << value;
        EXPECT_FALSE(FormatLowPassCutoff(value, 0).empty()) << value;
        EXPECT_FALSE(FormatDegrees(false, value).empty()) << value;
    }
    EXPECT_EQ(FormatRoomSide(INT_MAX), "inf");
}

TEST(ValueLabel, RawSwitchAndPlainUnitsShowTheInteger) {
    struct Case {
        ValueUnit unit;
        int value;
        bool raw;
        const char* expected;
    };
    const Case cases[] = {
        {ValueUnit::Attenuation, 127, false, "-inf"},
        {ValueUnit::Attenuation, 127, true, "127"},
        {ValueUnit::Level, 0, true, "0"},
        {ValueUnit::Plain, 64, false, "64"},
        {ValueUnit::Plain, -5, false, "-5"},
        {ValueUnit::Metres, 0, false, "-3.226"},              // room side 11 from the context
        {ValueUnit::HighPassCutoff, 127, false, "12000.000"}, // sample rate index 1
        {ValueUnit::DegreesSigned, 64, false, "0"},
        {ValueUnit::DegreesSigned, 64, true, "64"},
    };
    for (const Case& c : cases) {
        const ValueLabelContext context{c.raw, 11, 1};
        EXPECT_EQ(ValueLabel(c.unit, c.value, context), c.expected)
            << static_cast<int>(c.unit) << " " << c.value << (c.raw ? " raw" : "");
    }
    // Values a hand-edited file may hold have no text in any unit: the number is shown.
    for (const ValueUnit unit :
         {ValueUnit::Level, ValueUnit::Attenuation, ValueUnit::Metres, ValueUnit::RoomSide,
          ValueUnit::HighPassCutoff, ValueUnit::LowPassCutoff, ValueUnit::DegreesFullCircle,
          ValueUnit::DegreesSigned}) {
        for (const int value : {INT_MIN, -1, 128, 2000000000}) {
            EXPECT_EQ(ValueLabel(unit, value, ValueLabelContext{false, 11, 1}),
                      std::to_string(value))
                << static_cast<int>(unit) << " " << value;
        }
    }
    EXPECT_EQ(ValueLabel(ValueUnit::Metres, 64, ValueLabelContext{false, 300, 1}), "64")
        << "a room side outside 0-127";
    CControllerDoc doc;
    doc.RoomSide = 127;
    EXPECT_EQ(ValueLabel(ValueUnit::Metres, 127, doc), "500.000");
    doc.ShowRawValues = true;
    EXPECT_EQ(ValueLabel(ValueUnit::Metres, 127, doc), "127");
}

// Every name and unit the main window's readout shows, written out here, not taken from the
// code under test.
TEST(ValueLabel, TheMainWindowsTwentyOneParameters) {
    using enum ValueUnit;
    using Doc = CControllerDoc;
    struct ChannelRow {
        ChannelArray Doc::*array;
        const char* name;
        ValueUnit unit;
    };
    const ChannelRow channelRows[] = {
        {&Doc::ZPosition, "  SOURCE Z POSITION (m)", Metres},
        {&Doc::InputLevel, "  SPATIALIZER INPUT LEVEL (db)", Level},
        {&Doc::LPFCutOff, "  SPATIALIZER LOWPASS FILTER CUTOFF", LowPassCutoff},
        {&Doc::HPFCutOff, "  SPATIALIZER HIGHPASS FILTER CUTOFF", HighPassCutoff},
        {&Doc::SubMixAInput, "  SUBMIX A INPUT LEVEL (db)", Level},
        {&Doc::SubMixBInput, "  SUBMIX B INPUT LEVEL (db)", Level},
        {&Doc::InsertAGain, "  INSERT A GAIN (db)", Level},
        {&Doc::InsertBGain, "  INSERT B GAIN (db)", Level},
        {&Doc::SpatOutXPos, "  SPEAKER X POSITION (m)", Metres},
        {&Doc::SpatOutYPos, "  SPEAKER Y POSITION (m)", Metres},
        {&Doc::SpatOutZPos, "  SPEAKER Z POSITION (m)", Metres},
        {&Doc::BellFactor, "  BELL FACTOR", Plain},
        {&Doc::Attenuation, "  ATTENUATION (db)", Attenuation},
        {&Doc::DopplerDepth, "  DOPPLER DEPTH", Plain},
        {&Doc::ITDDepth, "  ITD DEPTH", Plain},
        {&Doc::FrontRear, "  FRONT-REAR SPECTRAL ENHANCE", Plain},
        {&Doc::GainEnhance, "  GAIN ENHANCE (db)", Level},
    };
    struct GlobalRow {
        int Doc::*member;
        const char* name;
        ValueUnit unit;
    };
    const GlobalRow globalRows[] = {
        {&Doc::MasterOutgain, "  RURUZIV OUTPUT MASTER LEVEL (db)", Level},
        {&Doc::MatrixSpeed, "  DOPPLER TRACKING", Plain},
        {&Doc::RoomSide, "  ROOM SIDE (m)", RoomSide},
        {&Doc::NMatrixOutput, "  NUMBER OF SPEAKER", Plain},
    };
    int labelled = 0;
    // Every parameter of a table has the readout its row names, or none when it has no row.
    const auto checkTable = [&labelled](const auto& parameters, auto key, const auto& rows,
                                        auto rowKey) {
        for (const auto& parameter : parameters) {
            const ParameterLabel* label = FindParameterLabel(parameter.*key);
            const auto row = std::find_if(std::begin(rows), std::end(rows), [&](const auto& r) {
                return r.*rowKey == parameter.*key;
            });
            if (row == std::end(rows)) {
                EXPECT_EQ(label, nullptr) << parameter.fileKey << " has no readout";
                continue;
            }
            ++labelled;
            ASSERT_NE(label, nullptr) << parameter.fileKey;
            EXPECT_EQ(label->nameText, row->name) << parameter.fileKey;
            EXPECT_EQ(label->unit, row->unit) << parameter.fileKey;
        }
    };
    checkTable(kChannelParameters, &ChannelParameter::array, channelRows, &ChannelRow::array);
    checkTable(kGlobalParameters, &GlobalParameter::member, globalRows, &GlobalRow::member);
    EXPECT_EQ(labelled, 21);
    EXPECT_EQ(FindParameterLabel(&CControllerDoc::XPosition), nullptr); // shown by the pad
    EXPECT_EQ(FindParameterLabel(&CControllerDoc::Frequence), nullptr);
}

} // namespace
