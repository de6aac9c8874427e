#include "program/CRemoteControl.h"

#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "model/PlistReader.h"
#include "program/CCueEngine.h"
#include "program/CDocumentEvents.h"
#include "program/CLiveInput.h"
#include "program/CProcessorLink.h"
#include "program/ProgramSettings.h"

#include <QNetworkInterface>
#include <QSettings>
#include <QTimer>

namespace {

const QString kEnabledKey = QStringLiteral("Remote Enabled");
const QString kAddressKey = QStringLiteral("Remote Address");
const QString kPortKey = QStringLiteral("Remote Port");
const QString kCodeKey = QStringLiteral("Remote Code");

bool IsEveryInterface(const QHostAddress& address) {
    return address == QHostAddress::AnyIPv4 || address == QHostAddress::AnyIPv6 ||
           address == QHostAddress::Any;
}

std::optional<RemoteCues::Entry> EntryOf(const CCueEngine& cues, std::optional<std::size_t> index) {
    if (!index || *index >= cues.Cues().size()) {
        return std::nullopt;
    }
    const Cue& cue = cues.Cues()[*index];
    return RemoteCues::Entry{QString::fromStdString(NumberText(cue.number)),
                             QString::fromStdString(cue.name)};
}

} // namespace

CRemoteControl::Stored CRemoteControl::Load() {
    const QSettings store = ProgramSettings();
    Stored stored;
    stored.enabled = store.value(kEnabledKey, false).toBool();
    stored.address = store.value(kAddressKey, stored.address).toString();
    stored.port = store.value(kPortKey, stored.port).toInt();
    stored.code = store.value(kCodeKey).toString();
    return stored;
}

void CRemoteControl::Save(const Stored& stored) {
    QSettings store = ProgramSettings();
    store.setValue(kEnabledKey, stored.enabled);
    store.setValue(kAddressKey, stored.address);
    store.setValue(kPortKey, stored.port);
    store.setValue(kCodeKey, stored.code);
}

CRemoteControl::CRemoteControl(CControllerDoc& doc, CDocumentEvents& events, CProcessorLink& link,
                               CCueEngine& cues, QObject* parent)
    : QObject(parent), m_doc(doc), m_events(events), m_link(link), m_cues(cues),
      m_server(new CRemoteServer(this)), m_progressTimer(new QTimer(this)) {
    m_progressTimer->setSingleShot(true);
    connect(m_progressTimer, &QTimer::timeout, this, &CRemoteControl::SendCues);
    connect(m_server, &CRemoteServer::commandReceived, this, &CRemoteControl::OnCommand);
    connect(m_server, &CRemoteServer::clientsChanged, this, &CRemoteControl::clientsChanged);
    connect(m_server, &CRemoteServer::wrongCode, this, &CRemoteControl::clientsChanged);
    m_server->SetWelcome([this] { return WelcomeState(PictureOf(m_doc), CueInfo()); });
}

CRemoteControl::~CRemoteControl() {
    Follow(false);
}

bool CRemoteControl::Use(Stored stored, QString* why) {
    m_failure.clear();
    if (!stored.enabled) {
        Follow(false);
        m_server->Stop();
        return true;
    }
    if (!CRemoteServer::IsValidCode(stored.code)) {
        // The first time the server is on it gets a code, kept for the runs after.
        stored.code = Load().code;
        if (!CRemoteServer::IsValidCode(stored.code)) {
            stored.code = NewCode();
            ProgramSettings().setValue(kCodeKey, stored.code);
        }
    }
    m_server->SetCode(stored.code);
    QString reason;
    QHostAddress address(stored.address);
    if (IsEveryInterface(address)) {
        address = QHostAddress::Any;
    }
    bool started = false;
    if (address.isNull()) {
        reason = QStringLiteral("\"%1\" is not an IP address").arg(stored.address);
    } else if (stored.port < 1 || stored.port > 65535) {
        reason = QStringLiteral("ports are 1 to 65535");
    } else if (m_server->Listening() && m_server->Address() == address &&
               m_server->Port() == stored.port) {
        started = true; // the pages already connected stay
    } else {
        started = m_server->Start(address, static_cast<quint16>(stored.port), &reason);
    }
    Follow(started);
    if (!started) {
        m_failure = reason; // the Network Control window shows it, whenever it is opened
    }
    if (why) {
        *why = reason;
    }
    emit clientsChanged();
    return started;
}

bool CRemoteControl::SetCode(const QString& code) {
    if (!CRemoteServer::IsValidCode(code)) {
        return false;
    }
    m_server->SetCode(code);
    ProgramSettings().setValue(kCodeKey, code);
    return true;
}

QString CRemoteControl::Url() const {
    if (!m_server->Listening()) {
        return {};
    }
    QHostAddress address = m_server->Address();
    if (IsEveryInterface(address)) {
        address = QHostAddress::LocalHost;
        for (const QHostAddress& local : QNetworkInterface::allAddresses()) {
            if (local.protocol() == QAbstractSocket::IPv4Protocol && !local.isLoopback()) {
                address = local;
                break;
            }
        }
    }
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return QStringLiteral("http://%1:%2/").arg(host).arg(m_server->Port());
}

void CRemoteControl::Follow(bool follow) {
    for (const QMetaObject::Connection& connection : m_following) {
        disconnect(connection);
    }
    m_following.clear();
    m_progressTimer->stop();
    m_changedSources = {};
    m_wholeChanged = false;
    if (!follow) {
        return; // a server that is off costs the document's notices nothing
    }
    m_following << connect(&m_events, &CDocumentEvents::changed, this, &CRemoteControl::OnChanged)
                << connect(&m_events, &CDocumentEvents::settled, this, &CRemoteControl::OnSettled)
                << connect(&m_events, &CDocumentEvents::displayModeChanged, this,
                           [this] {
                               if (m_server->HasPaired()) {
                                   m_server->Send(PictureMessage(PictureOf(m_doc)));
                               }
                           })
                << connect(&m_cues, &CCueEngine::listChanged, this, &CRemoteControl::SendCues)
                << connect(&m_cues, &CCueEngine::stateChanged, this, &CRemoteControl::SendCues)
                << connect(&m_cues, &CCueEngine::progressed, this, &CRemoteControl::OnProgress);
}

void CRemoteControl::OnCommand(const RemoteCommand& command) {
    using Kind = RemoteCommand::Kind;
    switch (command.kind) {
    case Kind::Move: {
        // Every axis goes to the link, so that a source's first move from a page sends all
        // three and the processor holds the whole position; the pacing skips what it has.
        std::array<std::optional<double>, 3> position = command.position;
        const std::array<const ChannelArray*, 3> axes = {&m_doc.XPosition, &m_doc.YPosition,
                                                         &m_doc.ZPosition};
        for (std::size_t axis = 0; axis < 3; ++axis) {
            if (!position[axis]) {
                position[axis] = (*axes[axis])[command.channel];
            }
        }
        CLiveInput(m_doc, m_link)
            .MoveSource(command.channel, position, CProcessorLink::Repeat::Skip);
        break;
    }
    case Kind::Level: {
        const ParameterKey key = KeyOf(&CControllerDoc::InputLevel, command.channel);
        m_doc.Set(key, command.value, ChangeOrigin::Live);
        m_link.Post(key, command.value, CProcessorLink::Repeat::Skip);
        break;
    }
    case Kind::Go:
        static_cast<void>(m_cues.Go());
        break;
    case Kind::Stop:
        m_cues.Stop();
        break;
    default:
        break;
    }
}

void CRemoteControl::OnChanged(const DocumentChanges& changes) {
    const PictureChange change = PictureChangeOf(changes);
    m_wholeChanged =
        m_wholeChanged || change.whole || change.speakers || changes.origin == ChangeOrigin::Load;
    for (std::size_t i = 0; i < m_changedSources.size(); ++i) {
        m_changedSources[i] = m_changedSources[i] || change.sources[i];
    }
}

void CRemoteControl::OnSettled() {
    const std::array<bool, 8> sources = std::exchange(m_changedSources, {});
    const bool whole = std::exchange(m_wholeChanged, false);
    if (!m_server->HasPaired()) {
        return;
    }
    if (whole) {
        m_server->Send(PictureMessage(PictureOf(m_doc)));
        return;
    }
    std::vector<RoomSource> changed;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (sources[i]) {
            changed.push_back(SourceOf(m_doc, static_cast<int>(i)));
        }
    }
    if (!changed.empty()) {
        m_server->Send(SourcesMessage(changed));
    }
}

RemoteCues CRemoteControl::CueInfo() const {
    RemoteCues info;
    info.live = EntryOf(m_cues, m_cues.LiveIndex());
    info.next = EntryOf(m_cues, m_cues.StandbyIndex());
    info.running = m_cues.Running();
    info.progress = m_cues.Progress();
    info.count = static_cast<int>(m_cues.Cues().size());
    return info;
}

void CRemoteControl::SendCues() {
    m_progressTimer->stop();
    m_progressSent.start();
    if (m_server->HasPaired()) {
        m_server->Send(CuesMessage(CueInfo()));
    }
}

void CRemoteControl::OnProgress() {
    if (!m_progressSent.isValid() || m_progressSent.elapsed() >= kProgressIntervalMs) {
        SendCues();
    } else if (!m_progressTimer->isActive()) {
        m_progressTimer->start(static_cast<int>(kProgressIntervalMs - m_progressSent.elapsed()));
    }
}
