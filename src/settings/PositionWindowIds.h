// The numbers of the loudspeaker and stereo source windows and their controls. Tests and
// automation find each widget by its objectName or by its "controlId" property.
#pragma once

#include <array>

namespace SpatOutsId {

constexpr int Dialog = 137;
constexpr int FineTuning = 1073;
constexpr int Pad = 1139;

// Loudspeaker i's X, Y and Z fields and the arrows beside each.
struct SpeakerControls {
    std::array<int, 3> fields;
    std::array<int, 3> arrows;
};

constexpr std::array<SpeakerControls, 8> kSpeakers = {{
    {{1136, 1138, 1140}, {1143, 1142, 1144}},
    {{1145, 1146, 1147}, {1149, 1148, 1150}},
    {{1151, 1152, 1153}, {1155, 1154, 1156}},
    {{1157, 1158, 1159}, {1161, 1160, 1162}},
    {{1163, 1164, 1165}, {1167, 1166, 1168}},
    {{1169, 1170, 1171}, {1173, 1172, 1174}},
    {{1181, 1182, 1183}, {1185, 1184, 1186}},
    {{1187, 1188, 1189}, {1191, 1190, 1192}},
}};

constexpr std::array<int, 9> kAxisLabels = {1141, 1175, 1176, 1177, 1178, 1179, 1180, 1193, 1194};

} // namespace SpatOutsId

namespace StereoSourceId {

constexpr int Dialog = 142;
constexpr int ElevationSlider = 1115;
constexpr int ElevationCaption = 1116;
constexpr int PairsCaption = 1117;
constexpr int FocusSlider = 1118;
constexpr int FocusCaption = 1120;
constexpr int WidthCaption = 1122;
constexpr int AngleCaption = 1124;
constexpr int WidthSlider = 1125;
constexpr int AngleSlider = 1126;
constexpr int Pad = 1129;
constexpr int ElevationValue = 1134;
constexpr int FocusValue = 1135;
constexpr int WidthValue = 1136;
constexpr int AngleValue = 1137;

// The pair buttons "1-2", "3-4", "5-6", "7-8" and their labels.
constexpr std::array<int, 4> kPairButtons = {1127, 1085, 1086, 1128};
constexpr std::array<int, 4> kPairLabels = {1130, 1131, 1132, 1133};

} // namespace StereoSourceId
