#include "settings/CNetworkControlDlg.h"

#include "controls/CQrCodeView.h"

#include "program/CControllerApp.h"
#include "program/CNetworkControl.h"
#include "program/COscFeedback.h"
#include "program/CRemoteControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkInterface>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QSpinBox* Spin(int low, int high, int value) {
    auto* spin = new QSpinBox;
    spin->setRange(low, high);
    spin->setValue(value);
    return spin;
}

// The target a row of the feedback list names; nothing, with the reason, when it names none.
std::optional<COscFeedback::Target> RowTarget(const QTableWidget& table, int row,
                                              QString* why = nullptr) {
    const QString host = table.item(row, 0)->text().trimmed();
    const bool v6 = QHostAddress(host).protocol() == QAbstractSocket::IPv6Protocol;
    return COscFeedback::ParseTarget((v6 ? QStringLiteral("[%1]:%2") : QStringLiteral("%1:%2"))
                                         .arg(host, table.item(row, 1)->text().trimmed()),
                                     why);
}

} // namespace

CNetworkControlDlg::CNetworkControlDlg(CControllerApp& program, QWidget& mainWindow)
    : QDialog(&mainWindow), m_program(program) {
    setObjectName(QStringLiteral("CNetworkControlDlg"));
    setWindowTitle(QStringLiteral("Network Control"));
    // What this run uses: the remembered settings, or the command line's for this run.
    const CNetworkControl::Stored stored = program.NetworkSettings();

    m_enabled = new QCheckBox(
        QStringLiteral("&Receive OSC control (ADM-OSC positions and Orbis addresses)"));
    m_enabled->setChecked(stored.enabled);
    m_address = new QComboBox;
    m_address->setEditable(true);
    m_address->addItem(QStringLiteral("127.0.0.1"));
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) {
            m_address->addItem(address.toString());
        }
    }
    m_address->addItem(QStringLiteral("0.0.0.0"));
    m_address->setCurrentText(stored.address);
    m_port = Spin(1, 65535, stored.port);
    m_firstObject = Spin(1, CNetworkControl::kLastFirstObject, stored.firstObject);
    m_answerPort = Spin(1, 65535, stored.answerPort);
    m_allowed = new QLineEdit(stored.allowedHosts);
    m_allowed->setPlaceholderText(QStringLiteral("every host"));
    const COscQueryControl::Stored query = program.OscQuerySettings();
    m_oscQueryEnabled = new QCheckBox(QStringLiteral("Describe the addresses over OSC&Query"));
    m_oscQueryEnabled->setChecked(query.enabled);
    m_oscQueryPort = Spin(1, 65535, query.port);
    m_reach = new QLabel;
    m_reach->setWordWrap(true);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("NetworkStatus"));
    m_status->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Address:"), m_address);
    form->addRow(QStringLiteral("&Port:"), m_port);
    form->addRow(QStringLiteral("&First object:"), m_firstObject);
    form->addRow(QStringLiteral("A&nswers to port:"), m_answerPort);
    form->addRow(QStringLiteral("Allowed &hosts:"), m_allowed);
    form->addRow(m_oscQueryEnabled);
    form->addRow(QStringLiteral("OSCQuery por&t:"), m_oscQueryPort);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Apply | QDialogButtonBox::Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_enabled);
    layout->addLayout(form);
    layout->addWidget(m_reach);
    layout->addWidget(m_status);
    layout->addWidget(FeedbackGroup(stored.feedbackTargets));
    layout->addWidget(RemoteGroup());
    layout->addWidget(buttons);

    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            &CNetworkControlDlg::Apply);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_address, &QComboBox::currentTextChanged, this, &CNetworkControlDlg::ShowReach);
    connect(m_enabled, &QCheckBox::toggled, this, &CNetworkControlDlg::ShowReach);
    connect(m_enabled, &QCheckBox::toggled, this, &CNetworkControlDlg::ShowStatus);
    // The counts move while the window is open, and only then.
    m_refresh = new QTimer(this);
    connect(m_refresh, &QTimer::timeout, this, [this] {
        ShowStatus();
        ShowFeedback();
    });
    m_refresh->start(1000);
    ShowReach();
    ShowStatus();
}

QGroupBox* CNetworkControlDlg::FeedbackGroup(const QStringList& targets) {
    m_targets = new QTableWidget(0, 3);
    m_targets->setObjectName(QStringLiteral("FeedbackTargets"));
    m_targets->setHorizontalHeaderLabels(
        {QStringLiteral("Host"), QStringLiteral("Port"), QStringLiteral("State")});
    m_targets->horizontalHeader()->setStretchLastSection(true);
    m_targets->verticalHeader()->hide();
    m_targets->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Three targets in view; more scroll.
    m_targets->setFixedHeight(m_targets->horizontalHeader()->sizeHint().height() +
                              3 * m_targets->verticalHeader()->defaultSectionSize() +
                              2 * m_targets->frameWidth());
    for (const QString& text : targets) {
        if (const auto target = COscFeedback::ParseTarget(text)) {
            AddTarget(target->address.toString(), target->port);
        }
    }
    auto* add = new QPushButton(QStringLiteral("A&dd"));
    auto* remove = new QPushButton(QStringLiteral("Re&move"));
    // This computer, on the port after the last listed: another host only when typed.
    connect(add, &QPushButton::clicked, this, [this] {
        int port = 9000;
        for (int row = 0; row < m_targets->rowCount(); ++row) {
            port = std::max(port, m_targets->item(row, 1)->text().toInt());
        }
        AddTarget(QStringLiteral("127.0.0.1"), std::min(port + 1, 65535));
        m_targets->setCurrentCell(m_targets->rowCount() - 1, 0);
        ShowFeedback();
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (m_targets->currentRow() >= 0) {
            m_targets->removeRow(m_targets->currentRow());
        }
        ShowFeedback();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    m_feedbackStatus = new QLabel;
    m_feedbackStatus->setWordWrap(true);
    auto* group = new QGroupBox(QStringLiteral("OSC feedback: every change is sent to"));
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(m_targets);
    layout->addLayout(buttons);
    layout->addWidget(m_feedbackStatus);
    connect(&m_program.Feedback(), &COscFeedback::statesChanged, this,
            &CNetworkControlDlg::ShowFeedback);
    ShowFeedback();
    return group;
}

void CNetworkControlDlg::AddTarget(const QString& host, int port) {
    const int row = m_targets->rowCount();
    m_targets->insertRow(row);
    m_targets->setItem(row, 0, new QTableWidgetItem(host));
    m_targets->setItem(row, 1, new QTableWidgetItem(QString::number(port)));
    auto* state = new QTableWidgetItem;
    state->setFlags(state->flags() & ~Qt::ItemIsEditable);
    m_targets->setItem(row, 2, state);
}

std::optional<QStringList> CNetworkControlDlg::ListedTargets() {
    QStringList targets;
    for (int row = 0; row < m_targets->rowCount(); ++row) {
        QString why;
        const auto target = RowTarget(*m_targets, row, &why);
        if (!target) {
            m_feedbackStatus->setText(QStringLiteral("Not applied: %1.").arg(why));
            m_feedbackStatus->setVisible(true);
            return std::nullopt;
        }
        targets.append(COscFeedback::TargetText(*target));
    }
    return targets;
}

void CNetworkControlDlg::ShowFeedback() {
    const std::vector<COscFeedback::State> states = m_program.Feedback().States();
    for (int row = 0; row < m_targets->rowCount(); ++row) {
        const auto target = RowTarget(*m_targets, row);
        const auto state = std::find_if(states.begin(), states.end(), [&](const auto& s) {
            return target && s.target == *target;
        });
        m_targets->item(row, 2)->setText(state == states.end() ? QStringLiteral("not applied")
                                         : state->unreachable
                                             ? QStringLiteral("unreachable")
                                             : QStringLiteral("%1 sent").arg(state->sent));
    }
    if (m_targets->rowCount() == 0) {
        m_feedbackStatus->setText(QStringLiteral("No targets: nothing is sent."));
    } else if (!m_feedbackStatus->text().startsWith(QStringLiteral("Not applied"))) {
        m_feedbackStatus->clear();
    }
    m_feedbackStatus->setVisible(!m_feedbackStatus->text().isEmpty());
}

QGroupBox* CNetworkControlDlg::RemoteGroup() {
    const CRemoteControl::Stored stored = m_program.RemoteSettings();
    m_remoteEnabled = new QCheckBox(QStringLiteral("Serve the remote page"));
    m_remoteEnabled->setChecked(stored.enabled);
    m_remoteAddress = new QComboBox;
    m_remoteAddress->addItem(QStringLiteral("Loopback only (127.0.0.1)"),
                             QStringLiteral("127.0.0.1"));
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (!address.isLoopback() && (address.protocol() == QAbstractSocket::IPv4Protocol ||
                                      address.protocol() == QAbstractSocket::IPv6Protocol)) {
            m_remoteAddress->addItem(address.toString(), address.toString());
        }
    }
    m_remoteAddress->addItem(QStringLiteral("All interfaces"), QStringLiteral("0.0.0.0"));
    const bool every = stored.address == QLatin1String("::");
    int current = m_remoteAddress->findData(every ? QStringLiteral("0.0.0.0") : stored.address);
    if (current < 0) { // an address this computer no longer has: shown, and failing on Apply
        m_remoteAddress->addItem(stored.address, stored.address);
        current = m_remoteAddress->count() - 1;
    }
    m_remoteAddress->setCurrentIndex(current);
    m_remotePort = Spin(1, 65535, stored.port);
    m_code = new QLineEdit(m_program.Remote().Code().isEmpty() ? stored.code
                                                               : m_program.Remote().Code());
    m_code->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[A-Za-z0-9]{0,32}")), m_code));
    m_code->setPlaceholderText(QStringLiteral("made when first served"));
    auto* newCode = new QPushButton(QStringLiteral("New Code"));
    connect(newCode, &QPushButton::clicked, this,
            [this] { m_code->setText(CRemoteControl::NewCode()); });
    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(m_code, 1);
    codeRow->addWidget(newCode);
    m_url = new QLabel;
    m_url->setObjectName(QStringLiteral("RemoteAddressToOpen"));
    m_url->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // A phone's camera opens the page from this picture of the address.
    m_qrCode = new CQrCodeView;
    m_qrCode->setObjectName(QStringLiteral("RemoteQrCode"));
    m_qrCode->setFixedSize(160, 160);
    m_remoteStatus = new QLabel;
    m_remoteStatus->setObjectName(QStringLiteral("RemoteStatus"));
    m_remoteStatus->setWordWrap(true);
    m_clients = new QListWidget;
    m_clients->setObjectName(QStringLiteral("RemoteClients"));
    m_clients->setMaximumHeight(90);
    m_wrongCodes = new QLabel;
    m_wrongCodes->setObjectName(QStringLiteral("RemoteWrongCodes"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Interface:"), m_remoteAddress);
    form->addRow(QStringLiteral("P&ort:"), m_remotePort);
    auto* codeLabel = new QLabel(QStringLiteral("&Code:"));
    codeLabel->setBuddy(m_code);
    form->addRow(codeLabel, codeRow);
    form->addRow(QStringLiteral("Open:"), m_url);
    form->addRow(QString(), m_qrCode);
    form->addRow(QStringLiteral("Connected:"), m_clients);
    auto* group = new QGroupBox(QStringLiteral("Remote page"));
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(m_remoteEnabled);
    layout->addLayout(form);
    layout->addWidget(m_remoteStatus);
    layout->addWidget(m_wrongCodes);
    connect(&m_program.Remote(), &CRemoteControl::clientsChanged, this,
            &CNetworkControlDlg::ShowRemote);
    connect(m_remoteEnabled, &QCheckBox::toggled, this, &CNetworkControlDlg::ShowRemote);
    ShowRemote();
    return group;
}

void CNetworkControlDlg::ShowRemote() {
    const CRemoteControl& remote = m_program.Remote();
    const QString url = remote.Url();
    m_url->setText(url.isEmpty() ? QStringLiteral("(not served)") : url);
    m_qrCode->SetText(url);
    QString status;
    if (!remote.Failure().isEmpty()) {
        status = QStringLiteral("Not served: %1").arg(remote.Failure());
    } else if (m_remoteEnabled->isChecked() && url.isEmpty()) {
        status = QStringLiteral("Not served until applied.");
    } else if (!url.isEmpty() && !remote.Server().Address().isLoopback()) {
        status = QStringLiteral("Any device that reaches this address and knows the code can move "
                                "the sources and fire the cues.");
    }
    m_remoteStatus->setText(status);
    m_remoteStatus->setVisible(!status.isEmpty());
    m_clients->clear();
    for (const CRemoteServer::ClientInfo& client : remote.Clients()) {
        m_clients->addItem(QStringLiteral("%1 (%2)").arg(
            client.address.toString(),
            client.paired ? QStringLiteral("paired") : QStringLiteral("not paired")));
    }
    m_wrongCodes->setText(QStringLiteral("Wrong codes tried: %1").arg(remote.WrongCodes()));
}

void CNetworkControlDlg::ShowReach() {
    const QHostAddress address(m_address->currentText());
    QString text;
    if (!m_enabled->isChecked()) {
        text = QStringLiteral("Nothing listens: no program can move the sources over the network.");
    } else if (address.isLoopback()) {
        text = QStringLiteral("Only programs on this computer can reach Orbis.");
    } else {
        text = QStringLiteral("Any computer that can reach %1 on the network can move the sources "
                              "and change every value, unless the allowed hosts are listed.")
                   .arg(address == QHostAddress::AnyIPv4 ? QStringLiteral("this computer")
                                                         : address.toString());
    }
    m_reach->setText(text);
}

void CNetworkControlDlg::ShowStatus() {
    const CNetworkControl& control = m_program.Network();
    const COscReceiver& receiver = control.Receiver();
    QString text;
    if (receiver.IsListening()) {
        text = QStringLiteral("Listening on %1 port %2. Dropped: %3")
                   .arg(receiver.CurrentSettings().address.toString())
                   .arg(receiver.Port())
                   .arg(receiver.Dropped());
    } else if (!control.Failure().isEmpty()) {
        text = QStringLiteral("Not listening: %1").arg(control.Failure());
    } else if (m_enabled->isChecked()) {
        text = QStringLiteral("Not listening until applied.");
    } // off, the line above says already that nothing listens
    const COscQueryControl& query = m_program.OscQuery();
    if (query.Server().Listening()) {
        text += QStringLiteral("\nOSCQuery on TCP port %1.").arg(query.Server().Port());
    } else if (!query.Failure().isEmpty()) {
        text += QStringLiteral("\nNo OSCQuery: %1").arg(query.Failure());
    }
    text = text.trimmed();
    if (control.RefusedTries() > 0) {
        text += QStringLiteral("%1Preset tries refused for unsaved changes: %2")
                    .arg(text.isEmpty() ? QString() : QStringLiteral("\n"))
                    .arg(control.RefusedTries());
    }
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
}

void CNetworkControlDlg::Apply() {
    CNetworkControl::Stored stored;
    stored.enabled = m_enabled->isChecked();
    stored.address = m_address->currentText().trimmed();
    stored.port = m_port->value();
    stored.firstObject = m_firstObject->value();
    stored.answerPort = m_answerPort->value();
    stored.allowedHosts = m_allowed->text().trimmed();
    const std::optional<QStringList> targets = ListedTargets();
    stored.feedbackTargets = targets.value_or(m_program.NetworkSettings().feedbackTargets);
    if (targets) {
        m_feedbackStatus->clear();
        m_program.UseFeedback(stored);
    }
    // What is remembered stays as it was when the settings do not work; feedback works
    // without listening.
    if (m_program.Network().Use(stored)) {
        CNetworkControl::Save(stored);
    } else if (targets) {
        CNetworkControl::Stored kept = CNetworkControl::Load();
        kept.feedbackTargets = *targets;
        CNetworkControl::Save(kept);
    }
    // It follows the receiver's address and hosts, so it starts again after them.
    const COscQueryControl::Stored query{m_oscQueryEnabled->isChecked(), m_oscQueryPort->value()};
    if (m_program.OscQuery().Use(query)) {
        COscQueryControl::Save(query);
    }
    ShowFeedback();
    ShowStatus();
    ApplyRemote();
}

void CNetworkControlDlg::ApplyRemote() {
    CRemoteControl& remote = m_program.Remote();
    CRemoteControl::Stored stored;
    stored.enabled = m_remoteEnabled->isChecked();
    stored.address = m_remoteAddress->currentData().toString();
    stored.port = m_remotePort->value();
    stored.code = m_code->text();
    if (!stored.code.isEmpty() && !CRemoteServer::IsValidCode(stored.code)) {
        m_remoteStatus->setText(
            QStringLiteral("Not applied: a code is 4 to 32 letters or digits."));
        m_remoteStatus->setVisible(true);
        return;
    }
    if (remote.Use(stored)) {
        // The code made for a first start, or the remembered one while nothing is served.
        stored.code = !remote.Code().isEmpty() ? remote.Code() : CRemoteControl::Load().code;
        CRemoteControl::Save(stored);
        m_code->setText(stored.code);
    }
    ShowRemote();
}
