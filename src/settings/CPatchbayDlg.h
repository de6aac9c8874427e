// The Patchbay Configuration window: for each of the eight channel numbers, which source
// feeds each of the processor's seven patchbay destinations. It edits a working copy;
// only "Send" stores it in the document and transmits it. Modal.
#pragma once

#include "model/DocumentChange.h"
#include "ui/CSkinDialog.h"

#include <array>
#include <string_view>

class CControllerApp;
class QComboBox;

class CPatchbayDlg : public CSkinDialog {
    Q_OBJECT

public:
    static constexpr int kDestinations = 7;
    static constexpr int kInputChannels = 8;
    static constexpr int kInputChannelList = 1082;
    static constexpr int kSendButton = 1007;
    static constexpr int kCloseButton = 1;

    // Where a destination takes its signal from: an index into the source list and, for
    // the three eight-channel sources, one of their channels (-1 for none).
    enum SourceKind : int {
        NoSignal = 0,
        HostOutput = 1,
        RuruzivOptOut = 2,
        SpatializerOut = 3,
        SubMixSendA = 4,
        SubMixSendB = 5,
    };
    struct RouteEntry {
        int kind = NoSignal;
        int channel = -1;
    };
    using Routing = std::array<std::array<RouteEntry, kDestinations>, kInputChannels>;

    struct Destination {
        std::string_view label;
        int labelId;
        int sourceListId;
        int channelListId;
        ChannelArray CControllerDoc::*kinds;
        ChannelArray CControllerDoc::*channels;
        ChannelArray CControllerDoc::*routeCodes;
    };
    static const std::array<Destination, kDestinations> kDestinationTable;

    static bool HasChannel(int kind);
    // The number the processor knows the route by.
    static int RouteCode(int kind, int channel);

    CPatchbayDlg(CControllerApp& program, QWidget& mainWindow);

    void ShowChannel();
    void SourceChanged(int destination);
    void ChannelChanged(int destination);
    void Send();

    const Routing& WorkingCopy() const { return m_routing; }

private:
    void CreateControls();
    int SelectedInputChannel() const;
    // Takes one route from the document into the working copy.
    void LoadRoute(const CControllerDoc& doc, int input, int destination);
    // Routes the document changed while the window is open: the working copy takes them
    // once the event loop's pass ends.
    void NoteChanges(const DocumentChanges& changes);
    void LoadNotedRoutes();

    Routing m_routing{};
    std::array<std::array<bool, kDestinations>, kInputChannels> m_staleRoutes{};
    QComboBox* m_inputChannels = nullptr;
    std::array<QComboBox*, kDestinations> m_sourceLists{};
    std::array<QComboBox*, kDestinations> m_channelLists{};
    CControllerApp& m_program;
};
