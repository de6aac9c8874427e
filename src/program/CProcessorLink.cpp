#include "program/CProcessorLink.h"

#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"

#include <QTimer>

#include <algorithm>

namespace {

constexpr int kControlChange = 0xB0;
// Below the burst the pacer allows, in milliseconds of the wire's budget.
constexpr int kBusyWaitMs = 4;
static_assert(kBusyWaitMs * ControlChangePacer::kMessagesPerSecond / 1000 <
              ControlChangePacer::kBurst);

SendSection SectionOf(CProcessorLink::Section section) {
    switch (section) {
    case CProcessorLink::Section::Patchbay:
        return SendSection::Patchbay;
    case CProcessorLink::Section::Channels:
        return SendSection::Channels;
    case CProcessorLink::Section::Globals:
        break;
    }
    return SendSection::Globals;
}

ControlChangePacer::TimePoint Now() {
    return ControlChangePacer::Clock::now();
}

} // namespace

CProcessorLink::CProcessorLink(CControllerDoc& doc, MidiBackend& backend, QObject* parent)
    : QObject(parent), m_doc(doc), m_output(backend), m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &CProcessorLink::Pump);
    m_subscription =
        m_doc.Subscribe([this](const DocumentChanges& changes) { OnChanges(changes); });
}

CProcessorLink::~CProcessorLink() {
    m_doc.Unsubscribe(m_subscription);
}

std::optional<ControlChangePacer::Message> CProcessorLink::ControlChangeOf(ParameterKey key,
                                                                           int value) {
    if (key.IsGlobal()) {
        const GlobalParameter& global = kGlobalParameters.at(static_cast<std::size_t>(key.row));
        if (global.controlChannel == kNotSent) {
            return std::nullopt;
        }
        return ControlChangePacer::Message{global.controlChannel, 0, value};
    }
    const ChannelParameter& parameter = kChannelParameters.at(static_cast<std::size_t>(key.row));
    if (parameter.controller == kNotSent) {
        return std::nullopt;
    }
    return ControlChangePacer::Message{key.channel, parameter.controller, value};
}

void CProcessorLink::OnChanges(const DocumentChanges& changes) {
    for (const ValueChange& change : changes.values) {
        if (change.key == KeyOf(&CControllerDoc::outMIDIPort) &&
            changes.origin != ChangeOrigin::Device) {
            m_pacer.ForgetSent(); // another processor, another state
        }
        const auto message = ControlChangeOf(change.key, change.newValue);
        if (!message) {
            continue;
        }
        if (changes.origin == ChangeOrigin::Undo) {
            // The history puts values back; the processor follows as it does a drag.
            Post(message->channel, message->controller, message->value, Repeat::Skip);
        } else if (changes.origin == ChangeOrigin::Live) {
            // Received from outside: the processor may hold it without our sending it.
            m_pacer.ForgetSent(message->channel, message->controller);
        }
    }
}

void CProcessorLink::Post(ParameterKey key, int value, Repeat repeat) {
    if (const auto message = ControlChangeOf(key, value)) {
        Post(message->channel, message->controller, message->value, repeat);
    }
}

void CProcessorLink::Post(int channel, int controller, int value, Repeat repeat) {
    m_pacer.Post(channel, controller, value, repeat);
    PumpSoon();
}

void CProcessorLink::PumpSoon() {
    if (!m_timer->isActive()) {
        Pump();
    }
}

bool CProcessorLink::SendOne(const ControlChangePacer::Message& message) {
    // Without a port nothing goes out and the pacer keeps the value as not sent; the window
    // stays silent and the MIDI log says why.
    return m_output.Choose(m_doc.outMIDIPort) &&
           m_output.SendShort(kControlChange, message.channel, message.controller, message.value);
}

MidiResult CProcessorLink::OpenPort() {
    return m_output.OpenForSending(m_doc.outMIDIPort);
}

void CProcessorLink::Drain() {
    m_timer->stop();
    m_pacer.Drain([this](const ControlChangePacer::Message& m) { return SendOne(m); });
}

void CProcessorLink::Pump() {
    const auto now = Now();
    const auto due =
        m_pacer.Pump(now, [this](const ControlChangePacer::Message& m) { return SendOne(m); });
    if (!due) {
        m_timer->stop();
        return;
    }
    // A busy wire frees one message a millisecond; waking for each would cost a pass of the
    // event loop a message. Waking every few lets that many out at once, within the burst
    // the budget allows, so the wire carries as much as before.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - now);
    m_timer->start(
        static_cast<int>(std::max<std::chrono::milliseconds::rep>(kBusyWaitMs, wait.count())));
}

MidiResult CProcessorLink::SendSection(Section section) {
    const MidiResult opened = OpenPort();
    if (!opened) {
        return opened;
    }
    m_pacer.Barrier(static_cast<int>(section), [this, section] {
        std::vector<ControlChangePacer::Part> parts;
        for (const auto& [channel, controller, value] :
             SectionMessages(m_doc, SectionOf(section))) {
            const ControlChangePacer::Message message{channel, controller, value};
            parts.push_back({1, [this, message] { static_cast<void>(SendOne(message)); }});
        }
        return parts;
    });
    PumpSoon();
    return opened;
}

MidiResult CProcessorLink::SendValues(std::vector<std::pair<ParameterKey, int>> values) {
    const MidiResult opened = OpenPort();
    if (!opened) {
        return opened;
    }
    m_pacer.Barrier(ControlChangePacer::kAlone, [this, values = std::move(values)] {
        std::vector<ControlChangePacer::Part> parts;
        for (const auto& [key, value] : values) {
            if (const auto message = ControlChangeOf(key, value)) {
                parts.push_back({1, [this, m = *message] { static_cast<void>(SendOne(m)); }});
            }
        }
        return parts;
    });
    PumpSoon();
    return opened;
}

MidiResult CProcessorLink::SendBarrier(int messages, std::function<MidiResult()> send) {
    const MidiResult opened = OpenPort();
    if (!opened) {
        return opened;
    }
    m_pacer.Barrier(ControlChangePacer::kAlone, [messages, send = std::move(send)] {
        return std::vector<ControlChangePacer::Part>{
            {messages, [send] { static_cast<void>(send()); }}};
    });
    PumpSoon();
    return opened;
}

MidiResult CProcessorLink::SendProgramChange(int program) {
    constexpr int kProgramChange = 0xC0;
    return SendBarrier(1, [this, program] {
        const MidiResult opened = OpenPort();
        return opened ? m_output.SendShort(kProgramChange, 0, program, 0) : opened;
    });
}

MidiResult CProcessorLink::SendSysExCommand(std::vector<unsigned char> bytes) {
    // A three-byte message's time on the wire is what the budget counts.
    const int messages = static_cast<int>((bytes.size() + 2) / 3);
    return SendBarrier(messages, [this, bytes = std::move(bytes)] {
        const MidiResult opened = OpenPort();
        return opened ? m_output.SendSysEx(bytes) : opened;
    });
}
