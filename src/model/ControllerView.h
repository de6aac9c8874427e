// What the document asks of the window that shows it: the output list's selection for the
// senders, and the shown channel for received Control Changes. Windows follow the
// document's change notices; the moves below are for views that want each received value
// as it arrives, and do nothing unless overridden.
#pragma once

class CControllerDoc;
using ChannelArray = int[8];

class ControllerView {
public:
    virtual ~ControllerView() = default;

    // Current selection of the output device list: 0 is the prompt entry, k is device k - 1.
    virtual int OutputListSelection() const = 0;
    // Selection of the channel list: 0 is "Ch. 1".
    virtual int ShownChannel() const = 0;

    // A received value for a control of the shown channel or a global one; nothing is sent.
    virtual void MoveChannelControl(ChannelArray CControllerDoc::* /*parameter*/, int /*value*/) {}
    virtual void MoveGlobalControl(int CControllerDoc::* /*parameter*/, int /*value*/) {}
    virtual void MoveSourcePad(int /*x*/, int /*y*/) {}
    virtual void MoveSourceZ(int /*value*/) {}
};
