// The texts a value label shows: conversions of a 0-127 value into the operator's units,
// the units' names and the rule that switches to raw numbers. Which unit a parameter is
// shown in, and its readout caption, the parameter table says.
#pragma once

#include <string>
#include <string_view>

std::string FormatDecibels(int value, bool attenuationScale);
std::string FormatRoomSide(int value);
std::string FormatMetres(int roomSideValue, int position);
std::string FormatHighPassCutoff(int value, int sampleRateIndex);
std::string FormatLowPassCutoff(int value, int sampleRateIndex);
std::string FormatDegrees(bool fullCircle, int value);
// The angle FormatDegrees prints, as a number, for drawing directions.
double DegreesValue(bool fullCircle, int value);

enum class ValueUnit {
    Plain, // no unit text: the label always shows the integer
    Level,
    Attenuation,
    Metres,
    RoomSide,
    HighPassCutoff,
    LowPassCutoff,
    DegreesFullCircle,
    DegreesSigned,
};

// What besides the value decides a label: the raw switch and the values other units depend on.
struct ValueLabelContext {
    bool showRawValues = false;
    int roomSide = 11;
    int sampleRateIndex = 0;
};

std::string ValueLabel(ValueUnit unit, int value, const ValueLabelContext& context);

// The unit's name after a value, as a screen reader says it ("dB", "Hz"); empty for Plain.
std::string_view UnitText(ValueUnit unit);

// A parameter's readout caption in the main window (with its two leading spaces, empty
// when the readout never shows it) and unit.
struct ParameterLabel {
    std::string_view nameText;
    ValueUnit unit;
};
