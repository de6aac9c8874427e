// How the position windows reach the processor: as live values through the main window's
// link, which paces them and opens the output port chosen in the device list.
#pragma once

#include "app/CControllerDlg.h"
#include "app/CProcessorLink.h"

#include <initializer_list>

struct ControlChange {
    int channel;
    int controller;
    int value;
};

inline void SendToProcessor(const CControllerDlg& main,
                            std::initializer_list<ControlChange> changes) {
    for (const ControlChange& change : changes) {
        main.ProcessorLink().Post(change.channel, change.controller, change.value);
    }
}
