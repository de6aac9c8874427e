// What the document needs of the main window: the output list's selection for the
// senders, and the shown channel and the controls for received Control Changes.
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

    // Move a control without writing its value label and without sending anything.
    virtual void MoveChannelControl(ChannelArray CControllerDoc::*parameter, int value) = 0;
    virtual void MoveGlobalControl(int CControllerDoc::*parameter, int value) = 0;
    virtual void MoveSourcePad(int x, int y) = 0;
    virtual void MoveSourceZ(int value) = 0;
};
