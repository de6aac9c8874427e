#include "program/CNetworkControl.h"
#include "program/ProgramSettings.h"

#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "osc/OscAddressSpace.h"
#include "program/CCueEngine.h"
#include "program/CDocumentGuard.h"
#include "program/CLiveInput.h"
#include "program/COscFeedback.h"
#include "program/CProcessorLink.h"

#include <QRegularExpression>
#include <QSettings>

#include <cmath>

namespace {

using Kind = OscCommand::Kind;

QSettings Store() {
    return ProgramSettings();
}

const std::array<ChannelArray CControllerDoc::*, 3> kPosition = {
    &CControllerDoc::XPosition, &CControllerDoc::YPosition, &CControllerDoc::ZPosition};

} // namespace

CNetworkControl::Stored CNetworkControl::Load() {
    const QSettings store = Store();
    Stored stored;
    stored.enabled = store.value(QStringLiteral("OSC Enabled"), false).toBool();
    stored.address = store.value(QStringLiteral("OSC Address"), stored.address).toString();
    stored.port = store.value(QStringLiteral("OSC Port"), stored.port).toInt();
    const int firstObject = store.value(QStringLiteral("OSC First Object"), 1).toInt();
    if (firstObject >= 1 && firstObject <= kLastFirstObject) {
        stored.firstObject = firstObject;
    }
    stored.answerPort = store.value(QStringLiteral("OSC Answer Port"), stored.answerPort).toInt();
    stored.allowedHosts = store.value(QStringLiteral("OSC Allowed Hosts")).toString();
    for (const QString& target :
         store.value(QStringLiteral("OSC Feedback Targets")).toStringList()) {
        if (COscFeedback::ParseTarget(target)) {
            stored.feedbackTargets.append(target);
        }
    }
    return stored;
}

void CNetworkControl::Save(const Stored& stored) {
    QSettings store = Store();
    store.setValue(QStringLiteral("OSC Enabled"), stored.enabled);
    store.setValue(QStringLiteral("OSC Address"), stored.address);
    store.setValue(QStringLiteral("OSC Port"), stored.port);
    store.setValue(QStringLiteral("OSC First Object"), stored.firstObject);
    store.setValue(QStringLiteral("OSC Answer Port"), stored.answerPort);
    store.setValue(QStringLiteral("OSC Allowed Hosts"), stored.allowedHosts);
    store.setValue(QStringLiteral("OSC Feedback Targets"), stored.feedbackTargets);
}

std::optional<COscReceiver::Settings> CNetworkControl::ReceiverSettings(const Stored& stored,
                                                                        QString* why) {
    COscReceiver::Settings settings;
    settings.address = QHostAddress(stored.address);
    if (settings.address.protocol() != QAbstractSocket::IPv4Protocol) {
        *why = QStringLiteral("\"%1\" is not an IPv4 address").arg(stored.address);
        return std::nullopt;
    }
    if (stored.port < 1 || stored.port > 65535 || stored.answerPort < 1 ||
        stored.answerPort > 65535 || stored.firstObject < 1 ||
        stored.firstObject > kLastFirstObject) {
        *why = QStringLiteral("ports are 1 to 65535 and the first object 1 to %1")
                   .arg(kLastFirstObject);
        return std::nullopt;
    }
    settings.port = static_cast<quint16>(stored.port);
    settings.answerPort = static_cast<quint16>(stored.answerPort);
    settings.firstObject = stored.firstObject;
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    for (const QString& host : stored.allowedHosts.split(separators, Qt::SkipEmptyParts)) {
        const QHostAddress address(host);
        if (address.protocol() != QAbstractSocket::IPv4Protocol) {
            *why = QStringLiteral("\"%1\" is not an IPv4 address").arg(host);
            return std::nullopt;
        }
        settings.allowedHosts.append(address);
    }
    return settings;
}

CNetworkControl::CNetworkControl(CControllerDoc& doc, const CDocumentGuard& guard,
                                 CProcessorLink& link, QObject* parent)
    : QObject(parent), m_doc(doc), m_guard(guard), m_link(link),
      m_receiver(new COscReceiver(this)) {
    connect(m_receiver, &COscReceiver::arrived, this, &CNetworkControl::OnArrived);
}

bool CNetworkControl::Use(const Stored& stored, QString* why) {
    m_failure.clear();
    if (!stored.enabled) {
        m_receiver->Stop();
        return true;
    }
    QString reason;
    const auto settings = ReceiverSettings(stored, &reason);
    const bool started = settings && m_receiver->Start(*settings, &reason);
    if (!started) {
        m_failure = reason; // the Network Control window shows it, whenever it is opened
    }
    if (why) {
        *why = reason;
    }
    return started;
}

void CNetworkControl::OnArrived() {
    for (const COscReceiver::Received& received : m_receiver->Take()) {
        const OscCommand& command = received.command;
        if (command.query) {
            Answer(received);
            continue;
        }
        switch (command.kind) {
        case Kind::Cartesian:
            m_polar[static_cast<std::size_t>(command.channel)].reset();
            MoveObject(command.channel, command.values);
            break;
        case Kind::Polar:
            MovePolar(command.channel, command.values);
            break;
        case Kind::Gain:
            SetValue(KeyOf(&CControllerDoc::InputLevel, command.channel),
                     LevelFromGain(*command.values[0]));
            break;
        case Kind::ChannelValue:
            SetValue(ParameterKey::Channel(command.row, command.channel),
                     static_cast<int>(*command.values[0]));
            break;
        case Kind::GlobalValue:
            if (TakenOverOsc(ParameterKey::Global(command.row))) {
                SetValue(ParameterKey::Global(command.row), static_cast<int>(*command.values[0]));
            }
            break;
        case Kind::Send:
            static_cast<void>(
                m_link.SendSection(static_cast<CProcessorLink::Section>(command.row)));
            break;
        case Kind::TryPreset:
            TryPreset(command.row);
            break;
        default:
            DoCue(command);
            break;
        }
    }
}

std::optional<std::size_t> CNetworkControl::CueIndex(double number) const {
    // A float argument carries 1.1 as 1.0999999: near enough is the cue.
    constexpr double kSlack = 1e-4;
    const std::vector<Cue>& cues = m_cues->Cues();
    for (std::size_t i = 0; i < cues.size(); ++i) {
        if (std::abs(cues[i].number - number) < kSlack) {
            return i;
        }
    }
    return std::nullopt;
}

void CNetworkControl::DoCue(const OscCommand& command) {
    if (!m_cues) {
        return;
    }
    const std::vector<Cue>& cues = m_cues->Cues();
    switch (command.kind) {
    case Kind::CueGo:
        static_cast<void>(m_cues->Go());
        return;
    case Kind::CueBack:
        static_cast<void>(m_cues->Back());
        return;
    case Kind::CueStop:
        m_cues->Stop();
        return;
    case Kind::CueRecord:
        static_cast<void>(m_cues->Record(
            cues.empty() ? CueList::kAtFront : static_cast<std::ptrdiff_t>(cues.size()) - 1, 0xFF,
            0x7F));
        return;
    case Kind::CueFire:
        if (const auto index = CueIndex(*command.values[0])) {
            static_cast<void>(m_cues->Fire(*index));
        }
        return;
    default:
        break;
    }
    const auto index = CueIndex(*command.values[1]);
    if (!index) {
        return;
    }
    Cue changed = cues[*index];
    if (command.kind == Kind::CueFade) {
        changed.fadeTenths = static_cast<int>(std::lround(*command.values[0] * 10));
    } else if (command.kind == Kind::CuePath) {
        changed.path = *command.values[0] == 0 ? CuePath::Straight : CuePath::Around;
    } else if (command.kind == Kind::CueChannels) {
        changed.channels = static_cast<unsigned long>(*command.values[0]);
    } else {
        return;
    }
    static_cast<void>(m_cues->Edit(*index, changed));
}

void CNetworkControl::MoveObject(int channel,
                                 const std::array<std::optional<double>, 3>& coordinates) {
    std::array<std::optional<double>, 3> position;
    for (std::size_t axis = 0; axis < position.size(); ++axis) {
        if (coordinates[axis]) {
            position[axis] = PositionFromCoordinate(*coordinates[axis]);
        }
    }
    // Only what the processor does not have yet goes out, paced with every other source.
    CLiveInput(m_doc, m_link).MoveSource(channel, position, CProcessorLink::Repeat::Skip);
}

void CNetworkControl::MovePolar(int channel, const std::array<std::optional<double>, 3>& polar) {
    auto& kept = m_polar[static_cast<std::size_t>(channel)];
    if (!kept) {
        const auto c = [this, channel](std::size_t axis) {
            return CoordinateFromPosition((m_doc.*kPosition[axis])[channel]);
        };
        kept = PolarFromCartesian(c(0), c(1), c(2));
    }
    for (std::size_t i = 0; i < polar.size(); ++i) {
        if (polar[i]) {
            (*kept)[i] = *polar[i];
        }
    }
    const std::array<double, 3> xyz = CartesianFromPolar((*kept)[0], (*kept)[1], (*kept)[2]);
    MoveObject(channel, {xyz[0], xyz[1], xyz[2]});
}

void CNetworkControl::SetValue(ParameterKey key, int value) {
    m_doc.Set(key, value, ChangeOrigin::Live);
    m_link.Post(key, value, CProcessorLink::Repeat::Skip);
}

void CNetworkControl::TryPreset(int row) {
    if (!m_tryPreset) {
        return;
    }
    // The operator's unsaved changes stay theirs: a try would bury them under the preset's
    // values, and a kill after it would lose them. Changes that are only an earlier remote
    // try's hold no one's work, so another try may replace them.
    const bool modified = m_guard.IsModified(m_doc);
    if (modified && m_afterTry != m_doc.Values()) {
        ++m_refusedTries;
        TellRefusal(row);
        return;
    }
    m_tryPreset(row);
    m_afterTry = m_doc.Values();
}

void CNetworkControl::TellRefusal(int row) {
    emit tryRefused(
        QStringLiteral("Preset %1 asked for over the network was not tried: the document has "
                       "unsaved changes. Save them first, or try the preset in the Default Preset "
                       "window. Refused so far: %2.")
            .arg(row)
            .arg(m_refusedTries));
}

void CNetworkControl::Answer(const COscReceiver::Received& received) {
    const OscCommand& command = received.command;
    OscMessage answer{command.address, {}};
    const auto& kept = command.kind == Kind::Polar
                           ? m_polar[static_cast<std::size_t>(command.channel)]
                           : std::optional<std::array<double, 3>>();
    const OscNode* node = FindOscNode(m_receiver->CurrentSettings().firstObject, command.address);
    if (kept) {
        // The polar values last received, not those worked out from the position: a lone
        // azimuth must not come back with a rounded distance.
        const std::string attribute = command.address.substr(command.address.rfind('/') + 1);
        const std::array<std::string, 3> names = {"azim", "elev", "dist"};
        for (std::size_t i = 0; i < 3; ++i) {
            if (attribute == "aed" || attribute == names[i]) {
                answer.arguments.emplace_back(static_cast<float>((*kept)[i]));
            }
        }
    } else if (command.kind == Kind::CueLive) {
        if (const auto live = m_cues ? m_cues->LiveIndex() : std::nullopt) {
            answer.arguments.emplace_back(static_cast<float>(m_cues->Cues()[*live].number));
        }
    } else if (command.kind == Kind::CueCount) {
        answer.arguments.emplace_back(
            static_cast<std::int32_t>(m_cues ? m_cues->Cues().size() : 0));
    } else if (node && node->readable) {
        answer.arguments = OscValueOf(m_doc, *node);
    } else {
        return;
    }
    m_receiver->Answer(received.sender, answer);
}
