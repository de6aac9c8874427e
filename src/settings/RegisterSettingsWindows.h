// Makes the settings windows part of the program: the factories of the modeless ones and
// the runners of the modal Patchbay and About windows.
#pragma once

class CProgramWindows;

void RegisterSettingsWindows(CProgramWindows& app);
