#include "settings/CNetworkControlDlg.h"

#include "program/CControllerApp.h"
#include "program/CNetworkControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkInterface>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QSpinBox* Spin(int low, int high, int value) {
    auto* spin = new QSpinBox;
    spin->setRange(low, high);
    spin->setValue(value);
    return spin;
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
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Apply | QDialogButtonBox::Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_enabled);
    layout->addLayout(form);
    layout->addWidget(m_reach);
    layout->addWidget(m_status);
    layout->addWidget(buttons);

    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            &CNetworkControlDlg::Apply);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_address, &QComboBox::currentTextChanged, this, &CNetworkControlDlg::ShowReach);
    connect(m_enabled, &QCheckBox::toggled, this, &CNetworkControlDlg::ShowReach);
    connect(m_enabled, &QCheckBox::toggled, this, &CNetworkControlDlg::ShowStatus);
    // The counts move while the window is open, and only then.
    m_refresh = new QTimer(this);
    connect(m_refresh, &QTimer::timeout, this, [this] { ShowStatus(); });
    m_refresh->start(1000);
    ShowReach();
    ShowStatus();
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
    // What is remembered stays as it was when the settings do not work.
    if (m_program.Network().Use(stored)) {
        CNetworkControl::Save(stored);
    }
    ShowStatus();
}
