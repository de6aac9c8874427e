#include "settings/CPatchbayDlg.h"

#include "controls/CSkinButton.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "program/CControllerApp.h"
#include "program/CDocumentEvents.h"
#include "program/CProcessorLink.h"
#include "program/CUndoHistory.h"
#include "settings/SettingsWidgets.h"

#include <QComboBox>

#include <string>
#include <utility>
#include <vector>

using namespace SettingsWidgets;

const std::array<CPatchbayDlg::Destination, CPatchbayDlg::kDestinations>
    CPatchbayDlg::kDestinationTable = {{
        // clang-format off
        {"Host In",        1075, 1009, 1011, &CControllerDoc::HostInPBSelect,  &CControllerDoc::HostInValPBSelect, &CControllerDoc::ValHostInPBSelect},
        {"Spatializer In", 1076, 1028, 1012, &CControllerDoc::SpatInPBSelect,  &CControllerDoc::SpatInValPBSelect, &CControllerDoc::ValSpatInPBSelect},
        {"Ruruziv Opt In", 1077, 1018, 1013, &CControllerDoc::RosInPBSelect,   &CControllerDoc::RosInValPBSelect,  &CControllerDoc::ValRosInPBSelect},
        {"SubMix A In",    1078, 1019, 1014, &CControllerDoc::SubAPBSelect,    &CControllerDoc::SubAValSelect,     &CControllerDoc::ValSubASelect},
        {"SubMix B In",    1079, 1020, 1015, &CControllerDoc::SubBPBSelect,    &CControllerDoc::SubBValSelect,     &CControllerDoc::ValSubBSelect},
        {"Insert A Gain",  1080, 1021, 1016, &CControllerDoc::InsertAPBSelect, &CControllerDoc::InsertAValSelect,  &CControllerDoc::ValInsertASelect},
        {"Insert B Gain",  1081, 1022, 1023, &CControllerDoc::InsertBPBSelect, &CControllerDoc::InsertBValSelect,  &CControllerDoc::ValInsertBSelect},
        // clang-format on
    }};

namespace {

constexpr int kTemplateWidth = 300;
constexpr int kTemplateHeight = 228;
constexpr int kFirstRowTop = 48;
constexpr int kRowPitch = 21;

} // namespace

bool CPatchbayDlg::HasChannel(int kind) {
    return kind == HostOutput || kind == RuruzivOptOut || kind == SpatializerOut;
}

int CPatchbayDlg::RouteCode(int kind, int channel) {
    switch (kind) {
    case HostOutput:
        return 8 + channel;
    case RuruzivOptOut:
        return 16 + channel;
    case SpatializerOut:
        return 24 + channel;
    case SubMixSendA:
        return 32;
    case SubMixSendB:
        return 33;
    default:
        return 0;
    }
}

CPatchbayDlg::CPatchbayDlg(CControllerApp& program, QWidget& mainWindow)
    : CSkinDialog(&mainWindow), m_program(program) {
    Tag(this, 138, "CPatchbayDlg");
    setWindowTitle(QStringLiteral("Patchbay Configuration"));
    SetUpTemplate(this, kTemplateWidth, kTemplateHeight);
    CreateControls();

    for (int c = 0; c < kInputChannels; ++c) {
        for (int k = 0; k < kDestinations; ++k) {
            LoadRoute(m_program.Doc(), c, k);
        }
    }
    m_inputChannels->setCurrentIndex(0);
    ShowChannel();
    const CDocumentEvents& events = m_program.Events();
    connect(&events, &CDocumentEvents::changed, this, &CPatchbayDlg::NoteChanges);
    connect(&events, &CDocumentEvents::settled, this, &CPatchbayDlg::LoadNotedRoutes);
}

void CPatchbayDlg::LoadRoute(const CControllerDoc& doc, int input, int destination) {
    const Destination& row = kDestinationTable[destination];
    // A channel outside 1-8, from a file edited elsewhere, would send another source's
    // route code; it is taken as channel 1.
    const int channel = (doc.*row.channels)[input];
    m_routing[input][destination] = {(doc.*row.kinds)[input],
                                     channel >= 0 && channel < kInputChannels ? channel : 0};
}

void CPatchbayDlg::NoteChanges(const DocumentChanges& changes) {
    for (const ValueChange& change : changes.values) {
        const int c = change.key.channel;
        if (c < 0 || c >= kInputChannels) {
            continue;
        }
        for (int k = 0; k < kDestinations; ++k) {
            const Destination& row = kDestinationTable[k];
            if (change.key == KeyOf(row.kinds, c) || change.key == KeyOf(row.channels, c)) {
                m_staleRoutes[c][k] = true;
            }
        }
    }
}

void CPatchbayDlg::LoadNotedRoutes() {
    bool any = false;
    for (int c = 0; c < kInputChannels; ++c) {
        for (int k = 0; k < kDestinations; ++k) {
            if (std::exchange(m_staleRoutes[c][k], false)) {
                LoadRoute(m_program.Doc(), c, k);
                any = true;
            }
        }
    }
    if (any) {
        ShowChannel();
    }
}

void CPatchbayDlg::CreateControls() {
    AddGroup(this, "Input Channel", {7, 5, 104, 195});
    AddGroup(this, "Output Channel", {117, 5, kTemplateWidth - 124, 195});
    m_inputChannels = AddList(this, kInputChannelList, "InputChannelList",
                              {"Channel 1", "Channel 2", "Channel 3", "Channel 4", "Channel 5",
                               "Channel 6", "Channel 7", "Channel 8"},
                              {14, 20, 90, 120});
    connect(m_inputChannels, &QComboBox::activated, this, &CPatchbayDlg::ShowChannel);

    AddLabel(this, -1, "SourceHeading", "Source", {124, 22, 90, 9});
    // A choice in a list is a whole gesture.
    CUndoHistory* history = &m_program.History();
    AddLabel(this, -1, "ChannelHeading", "Channel", {222, 22, 60, 9});
    for (int k = 0; k < kDestinations; ++k) {
        const Destination& row = kDestinationTable[k];
        const int top = kFirstRowTop + k * kRowPitch;
        AddCaption(this, row.labelId, "DestinationLabel" + std::to_string(k), row.label,
                   {14, top + 1, 94, 11});
        QComboBox* source = AddList(this, row.sourceListId, "SourceList" + std::to_string(k),
                                    {"No Signal", "Host Output", "Ruruziv Opt Out",
                                     "Spatializer Out", "SubMix Send A", "SubMix Send B"},
                                    {124, top - 1, 92, 90});
        connect(source, &QComboBox::activated, this, [this, k] { SourceChanged(k); });
        connect(source, &QComboBox::activated, history, &CUndoHistory::EndGesture);
        m_sourceLists[k] = source;
        QComboBox* channel =
            AddList(this, row.channelListId, "ChannelList" + std::to_string(k),
                    {"Ch. 1", "Ch. 2", "Ch. 3", "Ch. 4", "Ch. 5", "Ch. 6", "Ch. 7", "Ch. 8"},
                    {222, top - 1, 64, 120});
        connect(channel, &QComboBox::activated, this, [this, k] { ChannelChanged(k); });
        connect(channel, &QComboBox::activated, history, &CUndoHistory::EndGesture);
        m_channelLists[k] = channel;
    }
    const int buttonTop = kTemplateHeight - 22;
    CSkinButton* send = AddPushButton(this, kSendButton, "Send", "Send", {117, buttonTop, 50, 15});
    connect(send, &CSkinButton::clicked, this, &CPatchbayDlg::Send);
    CSkinButton* close = AddPushButton(this, kCloseButton, "Close", "Close",
                                       {kTemplateWidth - 57, buttonTop, 50, 15});
    connect(close, &CSkinButton::clicked, this, &QDialog::reject);
}

int CPatchbayDlg::SelectedInputChannel() const {
    const int c = m_inputChannels->currentIndex();
    return c >= 0 && c < kInputChannels ? c : 0;
}

void CPatchbayDlg::ShowChannel() {
    const int c = SelectedInputChannel();
    for (int k = 0; k < kDestinations; ++k) {
        const RouteEntry& entry = m_routing[c][k];
        m_sourceLists[k]->setCurrentIndex(entry.kind >= 0 && entry.kind <= SubMixSendB ? entry.kind
                                                                                       : -1);
        // Sources without channels show none, whatever channel the document holds for them.
        const int shown = HasChannel(entry.kind) ? entry.channel : -1;
        m_channelLists[k]->setCurrentIndex(shown);
        m_channelLists[k]->setEnabled(shown != -1);
    }
}

void CPatchbayDlg::SourceChanged(int destination) {
    const int c = SelectedInputChannel();
    const int kind = m_sourceLists[destination]->currentIndex();
    if (kind == m_routing[c][destination].kind) {
        return; // choosing the entry already chosen keeps its channel
    }
    QComboBox* channels = m_channelLists[destination];
    if (HasChannel(kind)) {
        channels->setEnabled(true);
        channels->setCurrentIndex(0);
    } else {
        channels->setEnabled(false);
        channels->setCurrentIndex(-1);
    }
    m_routing[c][destination] = {kind, channels->currentIndex()};
}

void CPatchbayDlg::ChannelChanged(int destination) {
    m_routing[SelectedInputChannel()][destination].channel =
        m_channelLists[destination]->currentIndex();
}

void CPatchbayDlg::Send() {
    std::vector<std::pair<ParameterKey, int>> routing;
    for (int c = 0; c < kInputChannels; ++c) {
        for (int k = 0; k < kDestinations; ++k) {
            const Destination& row = kDestinationTable[k];
            const RouteEntry& entry = m_routing[c][k];
            const int channel = entry.channel < 0 ? 0 : entry.channel;
            routing.emplace_back(KeyOf(row.kinds, c), entry.kind);
            routing.emplace_back(KeyOf(row.channels, c), channel);
            routing.emplace_back(KeyOf(row.routeCodes, c), RouteCode(entry.kind, channel));
        }
    }
    m_program.Doc().Apply(routing, ChangeOrigin::Gesture);
    // Silent when the processor cannot be reached, as every window is; the log says why.
    static_cast<void>(m_program.Link().SendSection(CProcessorLink::Section::Patchbay));
}
