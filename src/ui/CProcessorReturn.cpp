#include "ui/CProcessorReturn.h"
#include "program/ProgramSettings.h"

#include "program/CProcessorLink.h"

#include <QAction>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

namespace {

QSettings Store() {
    return ProgramSettings();
}

} // namespace

CProcessorReturn::CProcessorReturn(CProcessorLink& link, QAction* option, QWidget* window)
    : QObject(window), m_link(link), m_option(option), m_window(window) {
    const QString key = QString::fromLatin1(kSettingsKey);
    m_option->setChecked(Store().value(key, false).toBool());
    connect(m_option, &QAction::toggled, this, [key](bool on) { Store().setValue(key, on); });
}

void CProcessorReturn::OnProcessorReturned(const QString& name) {
    m_link.ForgetSent(); // it came back holding whatever it started with
    if (!m_option->isChecked()) {
        Notify(name);
        return;
    }
    if (m_notice) {
        m_notice->close(); // its offer is taken care of
    }
    SendSetup();
}

void CProcessorReturn::SendSetup() {
    // A section that does not arrive stops the rest; as for the Send buttons, the MIDI log
    // says why.
    using Section = CProcessorLink::Section;
    static_cast<void>(m_link.SendSection(Section::Patchbay) &&
                      m_link.SendSection(Section::Channels) &&
                      m_link.SendSection(Section::Globals));
}

void CProcessorReturn::Notify(const QString& name) {
    const QString text =
        QStringLiteral("The processor \"%1\" is back. It may have lost its setup.").arg(name);
    if (m_notice && m_notice->isVisible()) {
        // One notice however often the processor returns; it names the latest.
        m_notice->setText(text);
        m_notice->raise();
        return;
    }
    m_notice =
        new QMessageBox(QMessageBox::Information, QStringLiteral("Orbis"), text, {}, m_window);
    m_notice->setObjectName(QStringLiteral("ProcessorReturnedNotice"));
    m_notice->setAttribute(Qt::WA_DeleteOnClose);
    m_notice->setWindowModality(Qt::NonModal);
    QPushButton* send = m_notice->addButton(QStringLiteral("Send Setup"), QMessageBox::AcceptRole);
    send->setObjectName(QStringLiteral("SendSetup"));
    m_notice->addButton(QStringLiteral("Not Now"), QMessageBox::RejectRole)
        ->setObjectName(QStringLiteral("NotNow"));
    m_notice->setDefaultButton(send);
    connect(send, &QPushButton::clicked, this, &CProcessorReturn::SendSetup);
    m_notice->show();
}
