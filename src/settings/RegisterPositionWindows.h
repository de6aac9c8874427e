// Builds the loudspeaker and stereo source position windows into the program.
#pragma once

class CControllerApp;

void RegisterPositionWindows(CControllerApp& app);
