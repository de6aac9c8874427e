// Makes the settings windows part of the program: the factories of the modeless ones, the
// runners of the modal Patchbay, Network Control and About windows, and how
// /orbis/preset/try tries a factory preset.
#pragma once

class CProgramWindows;

void RegisterSettingsWindows(CProgramWindows& app);
