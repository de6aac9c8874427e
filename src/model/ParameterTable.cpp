#include "model/ParameterTable.h"

using Doc = CControllerDoc;
using enum SendSection;

const std::array<ChannelParameter, 40> kChannelParameters = {{
    {"Attenuation0", &Doc::Attenuation, 64, 8, Channels},
    {"BellFactor0", &Doc::BellFactor, 64, 9, Channels},
    {"DopplerDepth0", &Doc::DopplerDepth, 64, 6, Channels},
    {"InputLevel0", &Doc::InputLevel, 100, 7, Channels},
    {"LPFCutOff0", &Doc::LPFCutOff, 127, 4, Channels},
    {"HPFCutOff0", &Doc::HPFCutOff, 0, 5, Channels},
    {"ITDDepth0", &Doc::ITDDepth, 64, 11, Channels},
    {"FrontRear0", &Doc::FrontRear, 64, 16, Channels},
    {"GainEnhance0", &Doc::GainEnhance, 64, 12, Channels},
    {"SubMixAInput0", &Doc::SubMixAInput, 0, 28, Channels},
    {"SubMixBInput0", &Doc::SubMixBInput, 0, 29, Channels},
    {"InsertAGain0", &Doc::InsertAGain, 0, 30, Channels},
    {"InsertBGain0", &Doc::InsertBGain, 0, 31, Channels},
    {"XPosition0", &Doc::XPosition, 64, 20, Channels},
    {"YPosition0", &Doc::YPosition, 64, 21, Channels},
    {"ZPosition0", &Doc::ZPosition, 64, 22, Channels},
    {"SpatOutXPos0", &Doc::SpatOutXPos, 64, 13, Channels},
    {"SpatOutYPos0", &Doc::SpatOutYPos, 64, 14, Channels},
    {"SpatOutZPos0", &Doc::SpatOutZPos, 64, 15, Channels},
    {"HostInPBSelect0", &Doc::HostInPBSelect, 0, kNotSent, None},
    {"HostInValPBSelect0", &Doc::HostInValPBSelect, 0, kNotSent, None},
    {"InsertAPBSelect0", &Doc::InsertAPBSelect, 0, kNotSent, None},
    {"InsertAValSelect0", &Doc::InsertAValSelect, 0, kNotSent, None},
    {"InsertBPBSelect0", &Doc::InsertBPBSelect, 0, kNotSent, None},
    {"InsertBValSelect0", &Doc::InsertBValSelect, 0, kNotSent, None},
    {"RosInPBSelect0", &Doc::RosInPBSelect, 0, kNotSent, None},
    {"RosInValPBSelect0", &Doc::RosInValPBSelect, 0, kNotSent, None},
    {"SpatInPBSelect0", &Doc::SpatInPBSelect, 0, kNotSent, None},
    {"SpatInValPBSelect0", &Doc::SpatInValPBSelect, 0, kNotSent, None},
    {"SubAPBSelect0", &Doc::SubAPBSelect, 0, kNotSent, None},
    {"SubAValSelect0", &Doc::SubAValSelect, 0, kNotSent, None},
    {"SubBPBSelect0", &Doc::SubBPBSelect, 0, kNotSent, None},
    {"SubBValSelect0", &Doc::SubBValSelect, 0, kNotSent, None},
    {"ValHostInPBSelect0", &Doc::ValHostInPBSelect, 0, 2, Patchbay},
    {"ValSpatInPBSelect0", &Doc::ValSpatInPBSelect, 0, 1, Patchbay},
    {"ValRosInPBSelect0", &Doc::ValRosInPBSelect, 0, 3, Patchbay},
    {"ValSubASelect0", &Doc::ValSubASelect, 0, 24, Patchbay},
    {"ValSubBSelect0", &Doc::ValSubBSelect, 0, 25, Patchbay},
    {"ValInsertASelect0", &Doc::ValInsertASelect, 0, 26, Patchbay},
    {"ValInsertBSelect0", &Doc::ValInsertBSelect, 0, 27, Patchbay},
}};

const std::array<GlobalParameter, 8> kGlobalParameters = {{
    {"DefaultPreset", &Doc::DefaultPreset, 0, kNotSent},
    {"DefaultPresetAvvio", &Doc::DefaultPresetAvvio, 0, kNotSent},
    {"Frequence", &Doc::Frequence, 0, kNotSent},
    {"MasterOutgain", &Doc::MasterOutgain, 100, 2},
    {"MatrixSpeed", &Doc::MatrixSpeed, 0, 4},
    {"NMatrixOutput", &Doc::NMatrixOutput, 5, 1},
    {"RoomSide", &Doc::RoomSide, 11, 3},
    {"outMIDIPort", &Doc::outMIDIPort, 0, kNotSent},
}};

const std::array<int, 7> kPatchbaySendOrder = {2, 1, 3, 24, 25, 26, 27};
const std::array<int, 19> kChannelsSendOrder = {7,  5,  4,  28, 29, 30, 31, 13, 14, 15,
                                                20, 21, 22, 16, 12, 6,  11, 8,  9};
const std::array<int, 4> kGlobalsSendOrder = {3, 1, 2, 4};

namespace {

struct ControllerIndex {
    std::array<const ChannelParameter*, 128> byController{};
    ControllerIndex() {
        for (const ChannelParameter& parameter : kChannelParameters) {
            if (parameter.controller != kNotSent) {
                byController[static_cast<std::size_t>(parameter.controller)] = &parameter;
            }
        }
    }
};

} // namespace

const ChannelParameter* FindChannelParameterByController(int controller) {
    static const ControllerIndex index;
    if (controller < 0 || controller >= 128) {
        return nullptr;
    }
    return index.byController[static_cast<std::size_t>(controller)];
}

const GlobalParameter* FindGlobalParameterByChannel(int channel) {
    for (const GlobalParameter& parameter : kGlobalParameters) {
        if (parameter.controlChannel != kNotSent && parameter.controlChannel == channel) {
            return &parameter;
        }
    }
    return nullptr;
}

ParameterKey KeyOf(ChannelArray CControllerDoc::*array, int channel) {
    for (std::size_t row = 0; row < kChannelParameters.size(); ++row) {
        if (kChannelParameters[row].array == array) {
            return ParameterKey::Channel(static_cast<int>(row), channel);
        }
    }
    return ParameterKey::Channel(-1, channel);
}

ParameterKey KeyOf(int CControllerDoc::*member) {
    for (std::size_t row = 0; row < kGlobalParameters.size(); ++row) {
        if (kGlobalParameters[row].member == member) {
            return ParameterKey::Global(static_cast<int>(row));
        }
    }
    return ParameterKey::Global(-1);
}

std::size_t ValueIndex(ParameterKey key) {
    const auto row = static_cast<std::size_t>(key.row);
    if (key.IsGlobal()) {
        return kChannelParameters.size() * CControllerDoc::kChannels + row;
    }
    return row * CControllerDoc::kChannels + static_cast<std::size_t>(key.channel);
}
