#include "ui/MainWindowLayout.h"

#include "ui/ControlIds.h"

namespace MainWindowLayout {

const std::array<DialogUnits::Rect, 7> kFrames = {{
    {2, 0, 583, 22},
    {2, 21, 174, 29},
    {179, 21, 297, 29},
    {479, 21, 106, 29},
    {2, 49, 174, 210},
    {179, 49, 297, 210},
    {479, 49, 105, 210},
}};

namespace {
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
constexpr Qt::Alignment kCentre = Qt::AlignHCenter | Qt::AlignVCenter;
constexpr Qt::Alignment kCentreTop = Qt::AlignHCenter | Qt::AlignTop;
using enum LabelStyle;
} // namespace

// Caption rectangles are centred under their control and wide enough for two short lines;
// the knobs' captions and those under the sliders sit a unit below the template's, clear of
// the knobs' circles and the sliders' thumbs.
// One label a line, so the table reads as a table.
// clang-format off
const std::array<Label, 33> kLabels = {{
    {ControlId::Title, "Title", "New Document", {5, 8, 578, 11}, kCentre, Title, false},
    {1040, "PatchbayHeader", "Orbis Patchbay", {21, 34, 64, 8}, kRight, Header, false},
    {1041, "ChannelsHeader", "Input/Output Channel Parameters", {219, 34, 137, 8}, kRight, Header, false},
    {1042, "GlobalsHeader", "Global Settings", {481, 33, 53, 8}, kRight, Header, false},
    {ControlId::SourceXLabel, "SourceX", "", {15, 196, 45, 13}, kCentre, Plain, true},
    {ControlId::SourceYLabel, "SourceY", "", {64, 196, 45, 13}, kCentre, Plain, true},
    {ControlId::SourceZLabel, "SourceZ", "", {113, 196, 45, 13}, kCentre, Plain, true},
    {1065, "XPositionCaption", "X Position", {22, 213, 30, 16}, kCentreTop, Caption, false},
    {1066, "YPositionCaption", "Y Position", {69, 213, 30, 16}, kCentreTop, Caption, false},
    {1067, "ZPositionCaption", "Z Position", {120, 213, 30, 16}, kCentreTop, Caption, false},
    {1200, "ChannelCaption", "Channel:", {186, 61, 28, 8}, kLeft, Caption, false},
    {ControlId::ReadoutCaption, "ReadoutCaption", "", {265, 58, 161, 13}, kLeft, Readout, true},
    {ControlId::ReadoutValue, "ReadoutValue", "", {428, 58, 41, 13}, kCentre, Readout, true},
    {1046, "BellFactorCaption", "Bell Factor", {207, 102, 28, 14}, kCentreTop, Caption, false},
    {1047, "AttenuationCaption", "Atten\u00ADuation", {237, 102, 28, 14}, kCentreTop, Caption, false},
    {1048, "DopplerDepthCaption", "Doppler Depth", {267, 102, 28, 14}, kCentreTop, Caption, false},
    {1049, "ITDDepthCaption", "ITD Depth", {298, 102, 26, 14}, kCentreTop, Caption, false},
    {1050, "FrontRearCaption", "Front Rear Sp. Enh.", {324, 102, 30, 14}, kCentreTop, Caption, false},
    {1051, "GainEnhanceCaption", "Gain Enhance", {355, 102, 28, 14}, kCentreTop, Caption, false},
    {1026, "InputLevelCaption", "Input Level", {180, 242, 29, 16}, kCentreTop, Caption, false},
    {1052, "LPFCutOffCaption", "LPF Cutoff", {210, 242, 29, 16}, kCentreTop, Caption, false},
    {1053, "HPFCutOffCaption", "HPF Cutoff", {240, 242, 29, 16}, kCentreTop, Caption, false},
    {1054, "SubMixAInputCaption", "SubMix A Input", {270, 242, 29, 16}, kCentreTop, Caption, false},
    {1055, "SubMixBInputCaption", "SubMix B Input", {299, 242, 29, 16}, kCentreTop, Caption, false},
    {1056, "InsertAGainCaption", "Insert A Gain", {328, 242, 29, 16}, kCentreTop, Caption, false},
    {1057, "InsertBGainCaption", "Insert B Gain", {358, 242, 29, 16}, kCentreTop, Caption, false},
    {1058, "SpatOutXPosCaption", "Spat. Out XPosition", {386, 242, 29, 16}, kCentreTop, Caption, false},
    {1059, "SpatOutYPosCaption", "Spat. Out YPosition", {414, 242, 29, 16}, kCentreTop, Caption, false},
    {1060, "SpatOutZPosCaption", "Spat. Out ZPosition", {443, 242, 29, 16}, kCentreTop, Caption, false},
    {1061, "MasterOutgainCaption", "Ruruziv Out Master", {490, 242, 39, 16}, kCentreTop, Caption, false},
    {1062, "MatrixSpeedCaption", "Doppler Tracking", {535, 242, 39, 16}, kCentreTop, Caption, false},
    {1063, "RoomSideCaption", "Room Side", {489, 102, 36, 14}, kCentreTop, Caption, false},
    {1064, "NMatrixOutputCaption", "Number of Spat Outs", {534, 102, 36, 14}, kCentreTop, Caption, false},
}};
// clang-format on

const std::array<Button, 4> kButtons = {{
    {ControlId::SendPatchbay, "SendPatchbay", "Send", {89, 31, 40, 14}, false},
    {ControlId::SendChannels, "SendChannels", "Send", {360, 31, 40, 14}, false},
    {ControlId::SendGlobals, "SendGlobals", "Send", {537, 30, 40, 14}, false},
    {ControlId::KestrelToggle, "KestrelToggle", "The Kestrel", {21, 233, 127, 18}, true},
}};

} // namespace MainWindowLayout
