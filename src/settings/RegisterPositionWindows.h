// Builds the loudspeaker and stereo source position windows into the program.
#pragma once

class CProgramWindows;

void RegisterPositionWindows(CProgramWindows& app);
