// How the position windows reach the processor: through the output port chosen in the
// main window's device list, opened on first use.
#pragma once

#include "app/CControllerDlg.h"
#include "model/CControllerDoc.h"

#include <initializer_list>

struct ControlChange {
    int channel;
    int controller;
    int value;
};

inline void SendToProcessor(CControllerDoc& doc, const CControllerDlg& main,
                            std::initializer_list<ControlChange> changes) {
    constexpr int kControlChange = 0xB0;
    // Without a port nothing goes out; the document and the windows keep the change, and
    // the windows stay silent as the main window does (the MIDI log says why).
    if (!doc.EnsureOutputOpen(main.OutputListSelection())) {
        return;
    }
    for (const ControlChange& change : changes) {
        if (!doc.SendShort(kControlChange, change.channel, change.controller, change.value)) {
            return;
        }
    }
}
