#include "model/CControllerDoc.h"

#include "model/ParameterTable.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kControlChange = 0xB0;
constexpr int kProgramChange = 0xC0;

// Data bytes above 127 would read as status bytes on the wire; a value the document
// holds outside 0-127 (from a hand-edited file) goes out at the nearest end instead.
std::uint8_t DataByte(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 127));
}

} // namespace

CControllerDoc::CControllerDoc(MidiBackend& midi)
    : m_midi(midi), MidiOut(midi), DocumentName(kNewDocument) {
    ResetToDefaults();
}

CControllerDoc::~CControllerDoc() = default; // MidiOut resets and closes itself

void CControllerDoc::ResetToDefaults() {
    const ChangeScope reset(*this, ChangeOrigin::Load);
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
    const ChangeScope reset(*this, ChangeOrigin::Load);
    DocumentName = kNewDocument;
    ResetToDefaults();
    return true;
}

int& CControllerDoc::ValueAt(ParameterKey key) {
    if (key.IsGlobal()) {
        return this->*kGlobalParameters.at(static_cast<std::size_t>(key.row)).member;
    }
    return (this
                ->*kChannelParameters.at(static_cast<std::size_t>(key.row))
                .array)[static_cast<std::size_t>(std::clamp<int>(key.channel, 0, kChannels - 1))];
}

int CControllerDoc::Get(ParameterKey key) const {
    return const_cast<CControllerDoc*>(this)->ValueAt(key);
}

bool CControllerDoc::Set(ParameterKey key, int value, ChangeOrigin origin) {
    int& field = ValueAt(key);
    if (field == value) {
        return false;
    }
    const int old = std::exchange(field, value);
    if (m_scopeDepth == 0) {
        Notify({origin, {{key, old, value}}});
    }
    return true;
}

void CControllerDoc::Apply(std::span<const std::pair<ParameterKey, int>> values,
                           ChangeOrigin origin) {
    DocumentChanges changes{origin, {}};
    for (const auto& [key, value] : values) {
        int& field = ValueAt(key);
        if (field != value) {
            changes.values.push_back({key, std::exchange(field, value), value});
        }
    }
    if (m_scopeDepth == 0) {
        Notify(std::move(changes));
    }
}

CControllerDoc::ChangeScope::ChangeScope(CControllerDoc& doc, ChangeOrigin origin) : m_doc(doc) {
    if (m_doc.m_scopeDepth++ == 0) {
        m_doc.m_scopeOrigin = origin;
        m_doc.m_beforeScope = m_doc.Values();
    }
}

CControllerDoc::ChangeScope::~ChangeScope() {
    if (--m_doc.m_scopeDepth > 0) {
        return;
    }
    const std::vector<int> before = std::exchange(m_doc.m_beforeScope, {});
    const std::vector<int> after = m_doc.Values();
    DocumentChanges changes{m_doc.m_scopeOrigin, {}};
    std::size_t i = 0;
    const auto compare = [&](ParameterKey key) {
        if (before[i] != after[i]) {
            changes.values.push_back({key, before[i], after[i]});
        }
        ++i;
    };
    for (std::size_t row = 0; row < kChannelParameters.size(); ++row) {
        for (int channel = 0; channel < kChannels; ++channel) {
            compare(ParameterKey::Channel(static_cast<int>(row), channel));
        }
    }
    for (std::size_t row = 0; row < kGlobalParameters.size(); ++row) {
        compare(ParameterKey::Global(static_cast<int>(row)));
    }
    m_doc.Notify(std::move(changes));
}

std::vector<int> CControllerDoc::Values() const {
    std::vector<int> values;
    values.reserve(kChannelParameters.size() * kChannels + kGlobalParameters.size());
    for (const ChannelParameter& parameter : kChannelParameters) {
        values.insert(values.end(), std::begin(this->*parameter.array),
                      std::end(this->*parameter.array));
    }
    for (const GlobalParameter& parameter : kGlobalParameters) {
        values.push_back(this->*parameter.member);
    }
    return values;
}

int CControllerDoc::Subscribe(DocumentListener listener) {
    m_listeners.emplace_back(m_nextListenerId, std::move(listener));
    return m_nextListenerId++;
}

void CControllerDoc::Unsubscribe(int id) {
    std::erase_if(m_listeners, [id](const auto& entry) { return entry.first == id; });
}

void CControllerDoc::Notify(DocumentChanges changes) {
    if (changes.values.empty()) {
        return;
    }
    // A copy: a listener may subscribe or unsubscribe while being told.
    const auto listeners = m_listeners;
    for (const auto& [id, listener] : listeners) {
        listener(changes);
    }
}

namespace {

std::string DeviceName(const std::optional<std::string>& name, int n) {
    return name ? *name : "Error inDevID = " + std::to_string(n);
}

} // namespace

std::string CControllerDoc::OutputDeviceName(int n) const {
    return DeviceName(m_midi.OutputName(n), n);
}

std::string CControllerDoc::InputDeviceName(int n) const {
    return DeviceName(m_midi.InputName(n), n);
}

int CControllerDoc::OutputSelection() const {
    return m_pView ? m_pView->OutputListSelection() : outMIDIPort;
}

MidiResult CControllerDoc::EnsureOutputOpen(int comboIndex) {
    const int device = comboIndex - 1;
    if (device == CurrentOutDevice) {
        return {}; // a device that failed is not retried until another entry is chosen
    }
    MidiOut.Close();
    CurrentOutDevice = device;
    return MidiOut.Open(device, kPortOption);
}

MidiResult CControllerDoc::SendShort(int statusBase, int channel, int data1, int data2) {
    PortEvent event;
    event.status = static_cast<std::uint8_t>((statusBase + channel) & 0xFF);
    event.data1 = DataByte(data1);
    event.data2 = DataByte(data2);
    return MidiOut.Put(event);
}

MidiResult CControllerDoc::SendSysExByte(int byte) {
    PortEvent event;
    event.status = kSysExStatus;
    event.data1 = static_cast<std::uint8_t>(byte & 0xFF);
    return MidiOut.Put(event);
}

namespace {

// Keeps the first failure of a run of sends; the rest of the run still goes out.
void Keep(MidiResult& first, MidiResult next) {
    if (first && !next) {
        first = next;
    }
}

} // namespace

MidiResult CControllerDoc::OpenForSending() {
    const MidiResult opened = EnsureOutputOpen(OutputSelection());
    if (opened && !IsOutputOpen()) {
        // The same entry as before, whose device did not open then and is not retried.
        return CurrentOutDevice < 0 ? MidiFailure::NoDevice : MidiFailure::OpenFailed;
    }
    return opened;
}

MidiResult CControllerDoc::SendSysExCommand(const unsigned char* bytes, std::size_t count) {
    MidiResult result = OpenForSending();
    if (!result) {
        return result;
    }
    for (std::size_t i = 0; i < count; ++i) {
        Keep(result, SendSysExByte(bytes[i]));
    }
    return result;
}

MidiResult CControllerDoc::SendProgramChange(int program) {
    const MidiResult opened = OpenForSending();
    if (!opened) {
        return opened;
    }
    return SendShort(kProgramChange, 0, program, 0);
}

MidiResult CControllerDoc::SendWhole(SendSection section) {
    MidiResult result = OpenForSending();
    if (!result) {
        return result;
    }
    // A message the port refuses does not stop the section: the rest still goes out, and
    // the section reports the first refusal.
    for (const SectionMessage& message : SectionMessages(*this, section)) {
        Keep(result, SendShort(kControlChange, message.channel, message.controller, message.value));
    }
    return result;
}

MidiResult CControllerDoc::SendPatchbay() {
    return SendWhole(SendSection::Patchbay);
}

MidiResult CControllerDoc::SendChannels() {
    return SendWhole(SendSection::Channels);
}

MidiResult CControllerDoc::SendGlobals() {
    return SendWhole(SendSection::Globals);
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
            Set(KeyOf(global->member), value, ChangeOrigin::Live);
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
    const bool sourcePosition = parameter->group == ParameterGroup::SourcePosition;
    if (shown && sourcePosition) {
        if (parameter->array == &CControllerDoc::XPosition) {
            m_pView->MoveSourcePad(value, YPosition[channel]);
        } else if (parameter->array == &CControllerDoc::YPosition) {
            m_pView->MoveSourcePad(XPosition[channel], value);
        } else {
            m_pView->MoveSourceZ(value);
        }
    }
    Set(KeyOf(parameter->array, channel), value, ChangeOrigin::Live);
    if (shown && !sourcePosition) {
        m_pView->MoveChannelControl(parameter->array, value);
    }
}
