#include "model/ValueText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

constexpr double kOneOver127 = 0.007874015748031496;
constexpr double kOneOverTwoPi = 0.15915494309189535;
constexpr int kLowPassLimit = 115;
constexpr std::array<double, 4> kSampleRates = {44100.0, 48000.0, 88200.0, 96000.0};

// printf-style formatting of one double; values from hand-edited files can be huge, so the
// text is not assumed to fit a small buffer.
std::string FormatDouble(const char* format, double number) {
    char buffer[64];
    const int length = std::snprintf(buffer, sizeof buffer, format, number);
    if (length < 0) {
        return {};
    }
    if (static_cast<std::size_t>(length) < sizeof buffer) {
        return std::string(buffer, static_cast<std::size_t>(length));
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, number);
    text.pop_back();
    return text;
}

std::string ThreeDecimals(double number) {
    return FormatDouble("%.3f", number);
}

double SampleRate(int sampleRateIndex) {
    if (sampleRateIndex < 0 || sampleRateIndex >= static_cast<int>(kSampleRates.size())) {
        return 0.0;
    }
    return kSampleRates[static_cast<std::size_t>(sampleRateIndex)];
}

double RoomSideMetres(int value) {
    return 4.0 * std::pow(250.0, value * kOneOver127);
}

} // namespace

std::string FormatDecibels(int value, bool attenuationScale) {
    if (attenuationScale) {
        if (value == 127) {
            return "-inf";
        }
        return ThreeDecimals(20.0 * std::log10(1.0 - value * kOneOver127));
    }
    if (value == 0) {
        return "-inf";
    }
    return ThreeDecimals(20.0 * std::log10(value * kOneOver127));
}

std::string FormatRoomSide(int value) {
    return ThreeDecimals(RoomSideMetres(value));
}

std::string FormatMetres(int roomSideValue, int position) {
    const double side = RoomSideMetres(roomSideValue);
    return ThreeDecimals(position * side * kOneOver127 - side / 2.0);
}

std::string FormatHighPassCutoff(int value, int sampleRateIndex) {
    const double x = value * kOneOver127;
    const double cosine = 1.0 - x * x / (x * x - 2.0 * x + 2.0);
    return ThreeDecimals(SampleRate(sampleRateIndex) * kOneOverTwoPi * std::acos(cosine));
}

std::string FormatLowPassCutoff(int value, int sampleRateIndex) {
    // Above 115 the cosine would fall below -1; the cut-off stays at its top from there on.
    const double x = std::min(value, kLowPassLimit) * kOneOver127;
    const double cosine = 1.0 - (x * x * x * x) / (2.0 * (1.0 - x * x));
    return ThreeDecimals(SampleRate(sampleRateIndex) * kOneOverTwoPi * std::acos(cosine));
}

double DegreesValue(bool fullCircle, int value) {
    // 64-bit product: a value from a hand-edited file must not overflow.
    const double angle = static_cast<double>(std::int64_t{value} * 360) * kOneOver127;
    return fullCircle ? angle : angle - 180.0;
}

std::string FormatDegrees(bool fullCircle, int value) {
    std::string text = FormatDouble("%.f", DegreesValue(fullCircle, value));
    // The signed centre, 64, lies at about 1.4 degrees; it reads as the centre.
    if (!fullCircle && text == "1") {
        text = "0";
    }
    return text;
}

std::string ValueLabel(ValueUnit unit, int value, const ValueLabelContext& context) {
    // A hand-edited file can hold any int; outside 0-127 the units have no meaning (the
    // conversions would print "nan" or "inf"), so the number itself is shown.
    const auto isValue = [](int v) { return v >= 0 && v <= 127; };
    if (context.showRawValues || !isValue(value) ||
        (unit == ValueUnit::Metres && !isValue(context.roomSide))) {
        return std::to_string(value);
    }
    switch (unit) {
    case ValueUnit::Plain:
        break;
    case ValueUnit::Level:
        return FormatDecibels(value, false);
    case ValueUnit::Attenuation:
        return FormatDecibels(value, true);
    case ValueUnit::Metres:
        return FormatMetres(context.roomSide, value);
    case ValueUnit::RoomSide:
        return FormatRoomSide(value);
    case ValueUnit::HighPassCutoff:
        return FormatHighPassCutoff(value, context.sampleRateIndex);
    case ValueUnit::LowPassCutoff:
        return FormatLowPassCutoff(value, context.sampleRateIndex);
    case ValueUnit::DegreesFullCircle:
        return FormatDegrees(true, value);
    case ValueUnit::DegreesSigned:
        return FormatDegrees(false, value);
    }
    return std::to_string(value);
}

std::string_view UnitText(ValueUnit unit) {
    switch (unit) {
    case ValueUnit::Level:
    case ValueUnit::Attenuation:
        return "dB";
    case ValueUnit::Metres:
    case ValueUnit::RoomSide:
        return "m";
    case ValueUnit::HighPassCutoff:
    case ValueUnit::LowPassCutoff:
        return "Hz";
    case ValueUnit::DegreesFullCircle:
    case ValueUnit::DegreesSigned:
        return "degrees";
    case ValueUnit::Plain:
        break;
    }
    return {};
}
