#include "app/CMidiDeviceLists.h"

#include "app/CInputDeviceMenu.h"
#include "midi/qt/CMidiDeviceWatcher.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QStandardItemModel>

namespace {

// Marks the "(absent)" entry, which carries the device's name as its data like the others.
constexpr int kAbsentRole = Qt::UserRole + 1;

} // namespace

CMidiDeviceLists::CMidiDeviceLists(CControllerDoc& doc, QComboBox* outputList, QComboBox* inputList,
                                   CInputDeviceMenu& inputMenu, QObject* parent)
    : QObject(parent), m_doc(doc), m_outputList(outputList), m_inputList(inputList),
      m_inputMenu(inputMenu) {
    Fill();
    m_watcher = new CMidiDeviceWatcher(m_doc.Midi(), this);
    connect(m_watcher, &CMidiDeviceWatcher::devicesChanged, this,
            &CMidiDeviceLists::OnDevicesChanged);
    connect(m_outputList, &QComboBox::activated, this, &CMidiDeviceLists::OnOutputListActivated);
}

void CMidiDeviceLists::Fill() {
    const CControllerDoc& doc = m_doc;
    FillOutputList(QString());
    m_outputList->setCurrentIndex(doc.outMIDIPort);
    if (doc.outMIDIPort > doc.Midi().OutputCount()) {
        m_pendingOutput = doc.outMIDIPort;
    }
    FillInputList();
}

int CMidiDeviceLists::FillOutputList(const QString& chosen) {
    const CControllerDoc& doc = m_doc;
    QComboBox* list = m_outputList;
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItem(QStringLiteral("Select Output Device"));
    int index = 0;
    const int outputs = doc.Midi().OutputCount();
    for (int n = 0; n < outputs; ++n) {
        const QString name = QString::fromStdString(doc.OutputDeviceName(n));
        list->addItem(name, name);
        if (!chosen.isEmpty() && name == chosen) {
            index = n + 1;
        }
    }
    if (!chosen.isEmpty() && index == 0) {
        // Kept where the operator sees it until a device of that name returns.
        list->addItem(chosen + QStringLiteral(" (absent)"), chosen);
        index = list->count() - 1;
        list->setItemData(index, true, kAbsentRole);
    }
    if (outputs == 0) {
        const std::string missing = doc.Midi().Missing();
        list->addItem(missing.empty() ? QStringLiteral("No MIDI output devices")
                                      : QString::fromStdString(missing));
        if (auto* model = qobject_cast<QStandardItemModel*>(list->model())) {
            model->item(list->count() - 1)->setEnabled(false);
        }
    }
    list->setCurrentIndex(index);
    return index;
}

void CMidiDeviceLists::OnDevicesChanged() {
    CControllerDoc* doc = &m_doc;
    const int before = m_outputList->currentIndex();
    const QString chosen = before > 0 ? m_outputList->itemData(before).toString() : QString();
    if (chosen.isEmpty() && m_pendingOutput > 0) {
        // The stored device, listed late: selected as at start, and opened at the first send.
        if (m_pendingOutput <= doc->Midi().OutputCount()) {
            FillOutputList(QString::fromStdString(doc->OutputDeviceName(m_pendingOutput - 1)));
            doc->Set(KeyOf(&CControllerDoc::outMIDIPort), m_pendingOutput, ChangeOrigin::Device);
            m_pendingOutput = 0;
        }
        RefreshInputs();
        return;
    }
    const bool connected = doc->MidiOut.IsAlive() && doc->CurrentOutDevice == before - 1;
    const bool wasAbsent = m_outputList->itemData(before, kAbsentRole).toBool();
    bool returned = false;
    const int index = FillOutputList(chosen);
    const bool present = index > 0 && index <= doc->Midi().OutputCount();
    if (!chosen.isEmpty()) {
        doc->Set(KeyOf(&CControllerDoc::outMIDIPort), index, ChangeOrigin::Device);
        if (present && connected) {
            doc->CurrentOutDevice = index - 1; // renumbered only: the connection stands
        } else {
            // Gone, or back: let go of the old port; a returned device is opened anew.
            // Nothing is sent here: the window hears of the return and decides.
            doc->MidiOut.Close();
            doc->CurrentOutDevice = present ? -2 : index - 1;
            if (present) {
                returned = doc->EnsureOutputOpen(index).Ok() && wasAbsent;
            }
        }
    }
    RefreshInputs();
    if (returned) {
        emit processorReturned(chosen);
    }
}

void CMidiDeviceLists::FillInputList() {
    m_inputList->clear();
    for (int n = 0; n < m_doc.Midi().InputCount(); ++n) {
        m_inputList->addItem(QString::fromStdString(m_doc.InputDeviceName(n)));
    }
    m_inputList->insertItem(0, QStringLiteral("Select Input Device"));
}

void CMidiDeviceLists::RefreshInputs() {
    FillInputList();
    m_inputMenu.Refresh();
}

void CMidiDeviceLists::OnOutputListActivated(int index) {
    m_pendingOutput = 0;
    {
        CControllerDoc* doc = &m_doc;
        doc->Set(KeyOf(&CControllerDoc::outMIDIPort), index, ChangeOrigin::Gesture);
        // The connection exists as soon as the device is chosen, for patchbay programs to
        // show; nothing is sent. A device that does not open is told by the log only.
        static_cast<void>(doc->EnsureOutputOpen(index));
    }
}
