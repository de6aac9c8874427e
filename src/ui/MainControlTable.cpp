#include "ui/MainControlTable.h"

#include "model/ParameterTable.h"
#include "ui/ControlIds.h"

#include <algorithm>

using Doc = CControllerDoc;
using enum MainControlKind;
namespace Id = ControlId;

// One control a line, so the table reads as a table. The sliders under the knobs start two
// or three units below the template's, leaving their captions' second lines room.
// clang-format off
const std::array<MainControl, 21> kMainControls = {{
    {Id::RoomSide, "RoomSide", Knob, {493, 76, 32, 26}, 0, 127, 0, nullptr, &Doc::RoomSide, 121},
    {Id::NMatrixOutput, "NMatrixOutput", Knob, {538, 76, 32, 26}, 1, 8, 0, nullptr, &Doc::NMatrixOutput, 122},
    {Id::MatrixSpeed, "MatrixSpeed", Slider, {544, 117, 21, 124}, 0, 127, 4, nullptr, &Doc::MatrixSpeed, 114},
    {Id::MasterOutgain, "MasterOutgain", Slider, {499, 117, 21, 124}, 0, 127, 4, nullptr, &Doc::MasterOutgain, 113},
    {Id::BellFactor, "BellFactor", Knob, {207, 76, 32, 26}, 0, 127, 0, &Doc::BellFactor, nullptr, 115},
    {Id::Attenuation, "Attenuation", Knob, {237, 76, 32, 26}, 0, 127, 0, &Doc::Attenuation, nullptr, 116},
    {Id::ITDDepth, "ITDDepth", Knob, {297, 76, 32, 26}, 0, 127, 0, &Doc::ITDDepth, nullptr, 118},
    {Id::DopplerDepth, "DopplerDepth", Knob, {267, 76, 32, 26}, 0, 127, 0, &Doc::DopplerDepth, nullptr, 117},
    {Id::GainEnhance, "GainEnhance", Knob, {355, 76, 32, 26}, 0, 127, 0, &Doc::GainEnhance, nullptr, 120},
    {Id::FrontRear, "FrontRear", Knob, {325, 76, 32, 26}, 0, 127, 0, &Doc::FrontRear, nullptr, 119},
    {Id::InputLevel, "InputLevel", Slider, {184, 72, 21, 169}, 0, 127, 3, &Doc::InputLevel, nullptr, 103},
    {Id::HPFCutOff, "HPFCutOff", Slider, {244, 117, 21, 125}, 0, 127, 4, &Doc::HPFCutOff, nullptr, 105},
    {Id::LPFCutOff, "LPFCutOff", Slider, {214, 117, 21, 125}, 0, 127, 4, &Doc::LPFCutOff, nullptr, 104},
    {Id::SubMixAInput, "SubMixAInput", Slider, {274, 117, 21, 125}, 0, 127, 4, &Doc::SubMixAInput, nullptr, 106},
    {Id::SubMixBInput, "SubMixBInput", Slider, {303, 117, 21, 125}, 0, 127, 4, &Doc::SubMixBInput, nullptr, 107},
    {Id::InsertAGain, "InsertAGain", Slider, {332, 117, 21, 125}, 0, 127, 4, &Doc::InsertAGain, nullptr, 108},
    {Id::InsertBGain, "InsertBGain", Slider, {362, 117, 21, 125}, 0, 127, 4, &Doc::InsertBGain, nullptr, 109},
    {Id::SpatOutXPos, "SpatOutXPos", Slider, {390, 72, 21, 169}, 0, 127, 3, &Doc::SpatOutXPos, nullptr, 110},
    {Id::SpatOutYPos, "SpatOutYPos", Slider, {418, 72, 21, 169}, 0, 127, 3, &Doc::SpatOutYPos, nullptr, 111},
    {Id::SpatOutZPos, "SpatOutZPos", Slider, {447, 72, 21, 169}, 0, 127, 3, &Doc::SpatOutZPos, nullptr, 112},
    {Id::ZPosition, "ZPosition", Slider, {150, 57, 20, 134}, 0, 127, 4, &Doc::ZPosition, nullptr, 102},
}};
// clang-format on

const ParameterLabel& MainControl::Label() const {
    return IsGlobal() ? GlobalParameterOf(member).label : ChannelParameterOf(array).label;
}

std::string_view MainControl::Caption() const {
    return Label().nameText;
}

ValueUnit MainControl::Unit() const {
    return Label().unit;
}

std::string_view MainControl::ShownName() const {
    return ::ShownName(Key(0));
}

int MainControl::Controller() const {
    return IsGlobal() ? 0 : ChannelParameterOf(array).controller;
}

int MainControl::MidiChannel(int shownChannel) const {
    return IsGlobal() ? GlobalParameterOf(member).controlChannel : shownChannel;
}

int& MainControl::Value(CControllerDoc& doc, int shownChannel) const {
    return IsGlobal() ? doc.*member : (doc.*array)[shownChannel];
}

int MainControl::Value(const CControllerDoc& doc, int shownChannel) const {
    return IsGlobal() ? doc.*member : (doc.*array)[shownChannel];
}

ParameterKey MainControl::Key(int shownChannel) const {
    return IsGlobal() ? KeyOf(member) : KeyOf(array, shownChannel);
}

const MainControl* FindMainControl(int id) {
    const auto found = std::find_if(kMainControls.begin(), kMainControls.end(),
                                    [id](const MainControl& control) { return control.id == id; });
    return found == kMainControls.end() ? nullptr : &*found;
}
