#include "app/CProcessorLink.h"

#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"

#include <QTimer>

#include <algorithm>

namespace {

constexpr int kControlChange = 0xB0;

ControlChangePacer::TimePoint Now() {
    return ControlChangePacer::Clock::now();
}

int SectionMessages(CProcessorLink::Section section) {
    switch (section) {
    case CProcessorLink::Section::Patchbay:
        return static_cast<int>(kPatchbaySendOrder.size()) * CControllerDoc::kChannels;
    case CProcessorLink::Section::Channels:
        return static_cast<int>(kChannelsSendOrder.size()) * CControllerDoc::kChannels;
    case CProcessorLink::Section::Globals:
        return static_cast<int>(kGlobalsSendOrder.size());
    }
    return 0;
}

} // namespace

CProcessorLink::CProcessorLink(CControllerDoc& doc, std::function<int()> outputSelection,
                               QObject* parent)
    : QObject(parent), m_doc(doc), m_outputSelection(std::move(outputSelection)),
      m_timer(new QTimer(this)) {
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
    if (!m_timer->isActive()) {
        Pump();
    }
}

bool CProcessorLink::SendOne(const ControlChangePacer::Message& message) {
    // Without a port nothing goes out; the window stays silent and the MIDI log says why.
    return m_doc.EnsureOutputOpen(m_outputSelection()) &&
           m_doc.SendShort(kControlChange, message.channel, message.controller, message.value);
}

void CProcessorLink::Pump() {
    const auto now = Now();
    const auto due =
        m_pacer.Pump(now, [this](const ControlChangePacer::Message& m) { return SendOne(m); });
    if (!due) {
        m_timer->stop();
        return;
    }
    // Qt's timers count whole milliseconds; a wait below one still waits one.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*due - now);
    m_timer->start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(1, wait.count())));
}

void CProcessorLink::Flush() {
    m_timer->stop();
    m_pacer.Flush(Now(), [this](const ControlChangePacer::Message& m) { return SendOne(m); });
}

MidiResult CProcessorLink::SendSection(Section section) {
    return SendBarrier(SectionMessages(section), [this, section] {
        switch (section) {
        case Section::Patchbay:
            return m_doc.SendPatchbay();
        case Section::Channels:
            return m_doc.SendChannels();
        case Section::Globals:
            break;
        }
        return m_doc.SendGlobals();
    });
}

MidiResult CProcessorLink::SendBarrier(int messages, const std::function<MidiResult()>& send) {
    Flush();
    m_pacer.Charge(Now(), messages);
    return send();
}
