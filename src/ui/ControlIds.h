// The numbers of the main window's controls, menu commands and caption strings. Tests and
// automation find each widget by its objectName or by its "controlId" property.
#pragma once

namespace ControlId {

constexpr int BellFactor = 1005;
constexpr int InputLevel = 1006;
constexpr int SendPatchbay = 1007;
constexpr int SendChannels = 1008;
constexpr int LPFCutOff = 1012;
constexpr int Attenuation = 1013;
constexpr int HPFCutOff = 1014;
constexpr int DopplerDepth = 1015;
constexpr int SubMixAInput = 1016;
constexpr int ITDDepth = 1017;
constexpr int SubMixBInput = 1018;
constexpr int FrontRear = 1019;
constexpr int InsertAGain = 1020;
constexpr int GainEnhance = 1021;
constexpr int InsertBGain = 1022;
constexpr int SpatOutXPos = 1023;
constexpr int SpatOutYPos = 1024;
constexpr int SpatOutZPos = 1025;
constexpr int SendGlobals = 1027;
constexpr int SourcePad = 1029;
constexpr int ZPosition = 1030;
constexpr int RoomSide = 1031;
constexpr int MasterOutgain = 1032;
constexpr int NMatrixOutput = 1033;
constexpr int MatrixSpeed = 1034;
constexpr int KestrelToggle = 1039;
constexpr int Title = 1043;
constexpr int ReadoutCaption = 1044;
constexpr int ReadoutValue = 1045;
constexpr int SourceXLabel = 1068;
constexpr int SourceYLabel = 1069;
constexpr int SourceZLabel = 1070;
constexpr int OutputList = 1195;
constexpr int InputList = 1196;
constexpr int ChannelList = 1197;

} // namespace ControlId

namespace CommandId {

constexpr int New = 32771;
constexpr int Import = 32772;
constexpr int Close = 32773;
constexpr int DefaultPreset = 32775;
constexpr int SampleRate = 32776;
constexpr int Patchbay = 32777;
constexpr int Diagram = 32778;
constexpr int Minimize = 32779;
constexpr int BringAllToFront = 32780;
constexpr int ActivateMain = 32781;
constexpr int HelpPdf = 32782;
constexpr int SaveAs = 32783;
constexpr int StereoSource = 32784;
constexpr int SpatOuts = 32785;
constexpr int About = 32786;
constexpr int Exit = 32789;
constexpr int ToggleRawValues = 32791;
constexpr int SendSetupOnReturn = 32792;
constexpr int NetworkControl = 32793;
constexpr int CueList = 32794;
constexpr int Room = 32795;
constexpr int Undo = 57643;
constexpr int Redo = 57644;
constexpr int Help = 57670;

} // namespace CommandId
