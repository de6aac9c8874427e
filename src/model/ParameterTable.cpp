#include "model/ParameterTable.h"

#include <span>

using Doc = CControllerDoc;
using G = ParameterGroup;
using enum SendSection;
using enum ValueUnit;

// One parameter a line, so the table reads as a table.
// clang-format off
const std::array<ChannelParameter, 40> kChannelParameters = {{
    {"Attenuation0", &Doc::Attenuation, 64, 8, Channels, "Attenuation", G::Spatialization, {"  ATTENUATION (db)", Attenuation}},
    {"BellFactor0", &Doc::BellFactor, 64, 9, Channels, "Bell Factor", G::Spatialization, {"  BELL FACTOR", Plain}},
    {"DopplerDepth0", &Doc::DopplerDepth, 64, 6, Channels, "Doppler Depth", G::Spatialization, {"  DOPPLER DEPTH", Plain}},
    {"InputLevel0", &Doc::InputLevel, 100, 7, Channels, "Input Level", G::Levels, {"  SPATIALIZER INPUT LEVEL (db)", Level}},
    {"LPFCutOff0", &Doc::LPFCutOff, 127, 4, Channels, "LPF Cutoff", G::Filters, {"  SPATIALIZER LOWPASS FILTER CUTOFF", LowPassCutoff}},
    {"HPFCutOff0", &Doc::HPFCutOff, 0, 5, Channels, "HPF Cutoff", G::Filters, {"  SPATIALIZER HIGHPASS FILTER CUTOFF", HighPassCutoff}},
    {"ITDDepth0", &Doc::ITDDepth, 64, 11, Channels, "ITD Depth", G::Spatialization, {"  ITD DEPTH", Plain}},
    {"FrontRear0", &Doc::FrontRear, 64, 16, Channels, "Front/Rear", G::Spatialization, {"  FRONT-REAR SPECTRAL ENHANCE", Plain}},
    {"GainEnhance0", &Doc::GainEnhance, 64, 12, Channels, "Gain Enhance", G::Spatialization, {"  GAIN ENHANCE (db)", Level}},
    {"SubMixAInput0", &Doc::SubMixAInput, 0, 28, Channels, "SubMix A Input", G::Levels, {"  SUBMIX A INPUT LEVEL (db)", Level}},
    {"SubMixBInput0", &Doc::SubMixBInput, 0, 29, Channels, "SubMix B Input", G::Levels, {"  SUBMIX B INPUT LEVEL (db)", Level}},
    {"InsertAGain0", &Doc::InsertAGain, 0, 30, Channels, "Insert A Gain", G::Levels, {"  INSERT A GAIN (db)", Level}},
    {"InsertBGain0", &Doc::InsertBGain, 0, 31, Channels, "Insert B Gain", G::Levels, {"  INSERT B GAIN (db)", Level}},
    {"XPosition0", &Doc::XPosition, 64, 20, Channels, "Source X", G::SourcePosition, {"", Metres}},
    {"YPosition0", &Doc::YPosition, 64, 21, Channels, "Source Y", G::SourcePosition, {"", Metres}},
    {"ZPosition0", &Doc::ZPosition, 64, 22, Channels, "Source Z", G::SourcePosition, {"  SOURCE Z POSITION (m)", Metres}},
    {"SpatOutXPos0", &Doc::SpatOutXPos, 64, 13, Channels, "Speaker X", G::SpeakerPosition, {"  SPEAKER X POSITION (m)", Metres}},
    {"SpatOutYPos0", &Doc::SpatOutYPos, 64, 14, Channels, "Speaker Y", G::SpeakerPosition, {"  SPEAKER Y POSITION (m)", Metres}},
    {"SpatOutZPos0", &Doc::SpatOutZPos, 64, 15, Channels, "Speaker Z", G::SpeakerPosition, {"  SPEAKER Z POSITION (m)", Metres}},
    {"HostInPBSelect0", &Doc::HostInPBSelect, 0, kNotSent, None, "Host In Source", G::Patchbay, {"", Plain}},
    {"HostInValPBSelect0", &Doc::HostInValPBSelect, 0, kNotSent, None, "Host In Channel", G::Patchbay, {"", Plain}},
    {"InsertAPBSelect0", &Doc::InsertAPBSelect, 0, kNotSent, None, "Insert A Source", G::Patchbay, {"", Plain}},
    {"InsertAValSelect0", &Doc::InsertAValSelect, 0, kNotSent, None, "Insert A Channel", G::Patchbay, {"", Plain}},
    {"InsertBPBSelect0", &Doc::InsertBPBSelect, 0, kNotSent, None, "Insert B Source", G::Patchbay, {"", Plain}},
    {"InsertBValSelect0", &Doc::InsertBValSelect, 0, kNotSent, None, "Insert B Channel", G::Patchbay, {"", Plain}},
    {"RosInPBSelect0", &Doc::RosInPBSelect, 0, kNotSent, None, "Ruruziv Opt In Source", G::Patchbay, {"", Plain}},
    {"RosInValPBSelect0", &Doc::RosInValPBSelect, 0, kNotSent, None, "Ruruziv Opt In Channel", G::Patchbay, {"", Plain}},
    {"SpatInPBSelect0", &Doc::SpatInPBSelect, 0, kNotSent, None, "Spatializer In Source", G::Patchbay, {"", Plain}},
    {"SpatInValPBSelect0", &Doc::SpatInValPBSelect, 0, kNotSent, None, "Spatializer In Channel", G::Patchbay, {"", Plain}},
    {"SubAPBSelect0", &Doc::SubAPBSelect, 0, kNotSent, None, "SubMix A In Source", G::Patchbay, {"", Plain}},
    {"SubAValSelect0", &Doc::SubAValSelect, 0, kNotSent, None, "SubMix A In Channel", G::Patchbay, {"", Plain}},
    {"SubBPBSelect0", &Doc::SubBPBSelect, 0, kNotSent, None, "SubMix B In Source", G::Patchbay, {"", Plain}},
    {"SubBValSelect0", &Doc::SubBValSelect, 0, kNotSent, None, "SubMix B In Channel", G::Patchbay, {"", Plain}},
    {"ValHostInPBSelect0", &Doc::ValHostInPBSelect, 0, 2, Patchbay, "Host In Route", G::Patchbay, {"", Plain}},
    {"ValSpatInPBSelect0", &Doc::ValSpatInPBSelect, 0, 1, Patchbay, "Spatializer In Route", G::Patchbay, {"", Plain}},
    {"ValRosInPBSelect0", &Doc::ValRosInPBSelect, 0, 3, Patchbay, "Ruruziv Opt In Route", G::Patchbay, {"", Plain}},
    {"ValSubASelect0", &Doc::ValSubASelect, 0, 24, Patchbay, "SubMix A In Route", G::Patchbay, {"", Plain}},
    {"ValSubBSelect0", &Doc::ValSubBSelect, 0, 25, Patchbay, "SubMix B In Route", G::Patchbay, {"", Plain}},
    {"ValInsertASelect0", &Doc::ValInsertASelect, 0, 26, Patchbay, "Insert A Route", G::Patchbay, {"", Plain}},
    {"ValInsertBSelect0", &Doc::ValInsertBSelect, 0, 27, Patchbay, "Insert B Route", G::Patchbay, {"", Plain}},
}};

const std::array<GlobalParameter, 8> kGlobalParameters = {{
    {"DefaultPreset", &Doc::DefaultPreset, 0, kNotSent, "Default Preset", G::Globals, {"", Plain}},
    {"DefaultPresetAvvio", &Doc::DefaultPresetAvvio, 0, kNotSent, "Start-up Preset", G::Globals, {"", Plain}},
    {"Frequence", &Doc::Frequence, 0, kNotSent, "Sample Rate", G::Globals, {"", Plain}},
    {"MasterOutgain", &Doc::MasterOutgain, 100, 2, "Master Out Gain", G::Globals, {"  RURUZIV OUTPUT MASTER LEVEL (db)", Level}},
    {"MatrixSpeed", &Doc::MatrixSpeed, 0, 4, "Matrix Speed", G::Globals, {"  DOPPLER TRACKING", Plain}},
    {"NMatrixOutput", &Doc::NMatrixOutput, 5, 1, "Number of Speakers", G::Globals, {"  NUMBER OF SPEAKER", Plain}},
    {"RoomSide", &Doc::RoomSide, 11, 3, "Room Side", G::Globals, {"  ROOM SIDE (m)", RoomSide}},
    {"outMIDIPort", &Doc::outMIDIPort, 0, kNotSent, "Output Device", G::Globals, {"", Plain}},
}};
// clang-format on

const std::array<ParameterGroup, 7> kParameterGroups = {
    G::SourcePosition,  G::Levels,  G::Filters,  G::Spatialization,
    G::SpeakerPosition, G::Globals, G::Patchbay,
};

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

const ChannelParameter& ChannelParameterOf(ParameterKey key) {
    return kChannelParameters.at(static_cast<std::size_t>(key.row));
}

const GlobalParameter& GlobalParameterOf(ParameterKey key) {
    return kGlobalParameters.at(static_cast<std::size_t>(key.row));
}

const ChannelParameter& ChannelParameterOf(ChannelArray CControllerDoc::*array) {
    return ChannelParameterOf(KeyOf(array, 0));
}

const GlobalParameter& GlobalParameterOf(int CControllerDoc::*member) {
    return GlobalParameterOf(KeyOf(member));
}

std::string_view ShownName(ParameterKey key) {
    return key.IsGlobal() ? GlobalParameterOf(key).shownName : ChannelParameterOf(key).shownName;
}

ParameterGroup GroupOf(ParameterKey key) {
    return key.IsGlobal() ? GlobalParameterOf(key).group : ChannelParameterOf(key).group;
}

std::string_view GroupName(ParameterGroup group) {
    switch (group) {
    case G::SourcePosition:
        return "Source Position";
    case G::Levels:
        return "Levels";
    case G::Filters:
        return "Filters";
    case G::Spatialization:
        return "Spatialization";
    case G::SpeakerPosition:
        return "Speaker Position";
    case G::Globals:
        return "Globals";
    case G::Patchbay:
        return "Patchbay";
    }
    return {};
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

std::vector<SectionMessage> SectionMessages(const CControllerDoc& doc, SendSection section) {
    std::vector<SectionMessage> messages;
    if (section == SendSection::Globals) {
        for (const int channel : kGlobalsSendOrder) {
            messages.push_back({channel, 0, doc.*FindGlobalParameterByChannel(channel)->member});
        }
        return messages;
    }
    const std::span<const int> order = section == SendSection::Patchbay
                                           ? std::span<const int>(kPatchbaySendOrder)
                                           : std::span<const int>(kChannelsSendOrder);
    for (int channel = 0; channel < CControllerDoc::kChannels; ++channel) {
        for (const int controller : order) {
            const ChannelParameter* parameter = FindChannelParameterByController(controller);
            messages.push_back({channel, controller, (doc.*parameter->array)[channel]});
        }
    }
    return messages;
}

std::optional<ReceivedValue> ReceivedControlChange(int status, int controller, int value) {
    constexpr int kControlChange = 0xB0;
    if (status < kControlChange || status >= kControlChange + CControllerDoc::kChannels ||
        controller < 0 || controller > 127 || value < 0 || value > 127) {
        return std::nullopt;
    }
    const int channel = status - kControlChange;
    if (controller == 0) {
        if (const GlobalParameter* global = FindGlobalParameterByChannel(channel)) {
            return ReceivedValue{KeyOf(global->member), value};
        }
        return std::nullopt;
    }
    const ChannelParameter* parameter = FindChannelParameterByController(controller);
    if (!parameter || parameter->section != SendSection::Channels) {
        return std::nullopt;
    }
    return ReceivedValue{KeyOf(parameter->array, channel), value};
}

const ParameterLabel* FindParameterLabel(ChannelArray CControllerDoc::*array) {
    const ParameterLabel& label = ChannelParameterOf(array).label;
    return label.nameText.empty() ? nullptr : &label;
}

const ParameterLabel* FindParameterLabel(int CControllerDoc::*member) {
    const ParameterLabel& label = GlobalParameterOf(member).label;
    return label.nameText.empty() ? nullptr : &label;
}

std::string ValueLabel(ValueUnit unit, int value, const CControllerDoc& doc) {
    return ValueLabel(unit, value,
                      ValueLabelContext{doc.ShowRawValues, doc.RoomSide, doc.Frequence});
}
