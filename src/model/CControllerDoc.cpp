#include "CControllerDoc.h"

#include "ParameterTable.h"

#include <algorithm>

namespace {

constexpr int kControlChange = 0xB0;
constexpr int kProgramChange = 0xC0;

// Data bytes above 127 would read as status bytes on the wire; a value the document
// holds outside 0-127 (from a hand-edited file) goes out at the nearest end instead.
std::uint8_t DataByte(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 127));
}

} // namespace

CControllerDoc::CControllerDoc(ControllerView* view) : m_pView(view), DocumentName(kNewDocument) {
    ResetToDefaults();
}

CControllerDoc::~CControllerDoc() = default; // MidiOut resets and closes itself

void CControllerDoc::ResetToDefaults() {
    CurrentOutDevice = -1;
    for (const GlobalParameter& parameter : kGlobalParameters) {
        this->*parameter.member = parameter.resetValue;
    }
    for (const ChannelParameter& parameter : kChannelParameters) {
        std::fill(std::begin(this->*parameter.array), std::end(this->*parameter.array),
                  parameter.resetValue);
    }
}

bool CControllerDoc::NewDocument() {
    DocumentName = kNewDocument;
    ResetToDefaults();
    return true;
}

namespace {

std::string DeviceName(const std::optional<std::string>& name, int n) {
    return name ? *name : "Error inDevID = " + std::to_string(n);
}

} // namespace

std::string CControllerDoc::OutputDeviceName(int n) {
    return DeviceName(MidiBackend::Current().OutputName(n), n);
}

std::string CControllerDoc::InputDeviceName(int n) {
    return DeviceName(MidiBackend::Current().InputName(n), n);
}

int CControllerDoc::OutputSelection() const {
    return m_pView ? m_pView->OutputListSelection() : outMIDIPort;
}

bool CControllerDoc::EnsureOutputOpen(int comboIndex) {
    const int device = comboIndex - 1;
    if (device == CurrentOutDevice) {
        return true;
    }
    MidiOut.Close();
    CurrentOutDevice = device;
    return MidiOut.Open(device, kPortOption);
}

bool CControllerDoc::SendShort(int statusBase, int channel, int data1, int data2) {
    PortEvent event;
    event.status = static_cast<std::uint8_t>((statusBase + channel) & 0xFF);
    event.data1 = DataByte(data1);
    event.data2 = DataByte(data2);
    return MidiOut.Put(event);
}

bool CControllerDoc::SendSysExByte(int byte) {
    PortEvent event;
    event.status = kSysExStatus;
    event.data1 = static_cast<std::uint8_t>(byte & 0xFF);
    return MidiOut.Put(event);
}

bool CControllerDoc::SendSysExCommand(const unsigned char* bytes, std::size_t count) {
    if (!EnsureOutputOpen(OutputSelection())) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        SendSysExByte(bytes[i]);
    }
    return IsOutputOpen();
}

bool CControllerDoc::SendProgramChange(int program) {
    EnsureOutputOpen(OutputSelection());
    return SendShort(kProgramChange, 0, program, 0);
}

bool CControllerDoc::SendSection(const int* controllers, std::size_t count) {
    if (!EnsureOutputOpen(OutputSelection())) {
        return false;
    }
    for (int channel = 0; channel < kChannels; ++channel) {
        for (std::size_t i = 0; i < count; ++i) {
            const ChannelParameter* parameter = FindChannelParameterByController(controllers[i]);
            SendShort(kControlChange, channel, parameter->controller,
                      (this->*parameter->array)[channel]);
        }
    }
    return IsOutputOpen();
}

bool CControllerDoc::SendPatchbay() {
    return SendSection(kPatchbaySendOrder.data(), kPatchbaySendOrder.size());
}

bool CControllerDoc::SendChannels() {
    return SendSection(kChannelsSendOrder.data(), kChannelsSendOrder.size());
}

bool CControllerDoc::SendGlobals() {
    if (!EnsureOutputOpen(OutputSelection())) {
        return false;
    }
    for (int channel : kGlobalsSendOrder) {
        SendShort(kControlChange, channel, 0, this->*FindGlobalParameterByChannel(channel)->member);
    }
    return IsOutputOpen();
}

void CControllerDoc::ApplyIncomingEvent(const PortEvent& event) {
    if (event.status < kControlChange || event.status >= kControlChange + kChannels ||
        event.data1 > 127 || event.data2 > 127) {
        return;
    }
    const int channel = event.status - kControlChange;
    const int controller = event.data1;
    const int value = event.data2;
    const bool shown = m_pView && m_pView->ShownChannel() == channel;

    if (controller == 0) {
        if (const GlobalParameter* global = FindGlobalParameterByChannel(channel)) {
            this->*global->member = value;
            if (m_pView) {
                m_pView->MoveGlobalControl(global->member, value);
            }
        }
        return;
    }

    const ChannelParameter* parameter = FindChannelParameterByController(controller);
    if (!parameter || parameter->section != SendSection::Channels) {
        return; // unused controllers and the patchbay route codes are not taken back
    }
    if (shown) {
        switch (controller) {
        case 20:
            m_pView->MoveSourcePad(value, YPosition[channel]);
            break;
        case 21:
            m_pView->MoveSourcePad(XPosition[channel], value);
            break;
        case 22:
            m_pView->MoveSourceZ(value);
            break;
        default:
            break;
        }
    }
    (this->*parameter->array)[channel] = value;
    if (shown && (controller < 20 || controller > 22)) {
        m_pView->MoveChannelControl(parameter->array, value);
    }
}
