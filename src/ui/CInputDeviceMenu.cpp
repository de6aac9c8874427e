#include "ui/CInputDeviceMenu.h"

#include "midi/OutputPortOwner.h"
#include "midi/qt/CMaxMidiInWnd.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

void CInputDeviceMenu::Build(QMenuBar* menuBar, int position, const QString& title, int firstId) {
    m_firstId = firstId;
    m_menu = new QMenu(title, menuBar);
    m_menu->setObjectName(QStringLiteral("InputDeviceMenu"));
    const QList<QAction*> topLevel = menuBar->actions();
    QAction* before = position >= 0 && position < topLevel.size() ? topLevel[position] : nullptr;
    menuBar->insertMenu(before, m_menu);
    FillEntries();
}

void CInputDeviceMenu::FillEntries() {
    m_menu->clear();
    MidiBackend& backend = m_receiver->Backend();
    m_deviceCount = backend.InputCount();
    for (int i = 0; i < m_deviceCount; ++i) {
        const QString name = QString::fromStdString(backend.InputName(i).value_or(std::string()));
        QAction* entry = m_menu->addAction(name);
        entry->setCheckable(true);
        entry->setData(m_firstId + i);
        // A checkable entry would toggle itself; the mark is set by Select alone.
        connect(entry, &QAction::triggered, this, [this, i] { Select(i); });
    }
    if (m_deviceCount == 0) {
        const std::string missing = backend.Missing();
        QAction* note = m_menu->addAction(missing.empty() ? QStringLiteral("No MIDI input devices")
                                                          : QString::fromStdString(missing));
        note->setEnabled(false);
    }
}

void CInputDeviceMenu::Refresh() {
    if (!m_menu || !m_receiver) {
        return;
    }
    const bool wasOpen = m_receiver->IsAlive();
    FillEntries();
    if (m_openFirstWhenListed && m_deviceCount > 0) {
        Select(0);
        return;
    }
    if (m_chosenName.empty()) {
        return;
    }
    for (int i = 0; i < m_deviceCount; ++i) {
        QAction* entry = EntryForId(m_firstId + i);
        if (entry->text().toStdString() == m_chosenName) {
            if (wasOpen) {
                entry->setChecked(true); // renumbered only: the connection stands
            } else {
                Select(i); // back again: open it anew
            }
            return;
        }
    }
    // Gone: say so, and let go of the port until a device of that name returns.
    m_receiver->Close();
    QAction* absent =
        m_menu->addAction(QString::fromStdString(m_chosenName) + QStringLiteral(" (absent)"));
    absent->setCheckable(true);
    absent->setChecked(true);
    absent->setEnabled(false);
}

QAction* CInputDeviceMenu::EntryForId(int id) const {
    if (!m_menu) {
        return nullptr;
    }
    for (QAction* entry : m_menu->actions()) {
        if (entry->data().toInt() == id) {
            return entry;
        }
    }
    return nullptr;
}

bool CInputDeviceMenu::Select(int n) {
    if (!m_receiver || !m_menu) {
        return false;
    }
    int id = 0;
    if (n >= 0 && n <= m_deviceCount) {
        id = n + m_firstId;
    } else if (n >= m_firstId && n <= m_firstId + m_deviceCount) {
        id = n;
    } else {
        return false;
    }
    m_openFirstWhenListed = n == 0 && m_deviceCount == 0;
    if (id == m_firstId + m_deviceCount) {
        m_chosenName.clear(); // past the last entry: no device chosen
    }
    for (int entryId = m_firstId; entryId < m_firstId + m_deviceCount; ++entryId) {
        QAction* entry = EntryForId(entryId);
        if (entryId == id) {
            m_receiver->Stop();
            m_receiver->Close();
            // A device that does not open still gets the mark: the menu shows the choice.
            static_cast<void>(m_receiver->Open(entryId - m_firstId, OutputPortOwner::kPortOption));
            m_chosenName = entry->text().toStdString();
            m_receiver->Start();
            entry->setChecked(true);
        } else {
            entry->setChecked(false);
        }
    }
    return true;
}
