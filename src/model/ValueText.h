// The texts a value label shows: conversions of a 0-127 value into the operator's units,
// the unit each parameter is shown in, and the rule that switches to raw numbers.
#pragma once

#include "model/ControllerView.h"

#include <string>
#include <string_view>

class CControllerDoc;

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
// The same with the document's ShowRawValues, RoomSide and Frequence.
std::string ValueLabel(ValueUnit unit, int value, const CControllerDoc& doc);

// A main-window parameter's name text (with its two leading spaces) and unit.
struct ParameterLabel {
    std::string_view nameText;
    ValueUnit unit;
};

// Labels of the per-channel parameters the main window shows; nullptr for the others.
const ParameterLabel* FindParameterLabel(ChannelArray CControllerDoc::*array);
// Labels of the global parameters the main window shows; nullptr for the others.
const ParameterLabel* FindParameterLabel(int CControllerDoc::*member);
