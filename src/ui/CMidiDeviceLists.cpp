#include "ui/CMidiDeviceLists.h"

#include "midi/qt/CMidiDeviceWatcher.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "program/CProcessorLink.h"
#include "ui/CInputDeviceMenu.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QStandardItemModel>

namespace {

// Marks the "(absent)" entry, which carries the device's name as its data like the others.
constexpr int kAbsentRole = Qt::UserRole + 1;

} // namespace

CMidiDeviceLists::CMidiDeviceLists(CControllerDoc& doc, CProcessorLink& link, QComboBox* outputList,
                                   QComboBox* inputList, CInputDeviceMenu& inputMenu,
                                   QObject* parent)
    : QObject(parent), m_doc(doc), m_link(link), m_outputList(outputList), m_inputList(inputList),
      m_inputMenu(inputMenu) {
    Fill();
    m_watcher = new CMidiDeviceWatcher(Midi(), this);
    connect(m_watcher, &CMidiDeviceWatcher::devicesChanged, this,
            &CMidiDeviceLists::OnDevicesChanged);
    connect(m_outputList, &QComboBox::activated, this, &CMidiDeviceLists::OnOutputListActivated);
}

MidiBackend& CMidiDeviceLists::Midi() const {
    return m_link.Output().Backend();
}

void CMidiDeviceLists::Fill() {
    const CControllerDoc& doc = m_doc;
    FillOutputList(QString());
    m_outputList->setCurrentIndex(doc.outMIDIPort);
    if (doc.outMIDIPort > Midi().OutputCount()) {
        m_pendingOutput = doc.outMIDIPort;
    }
    FillInputList();
}

int CMidiDeviceLists::FillOutputList(const QString& chosen) {
    QComboBox* list = m_outputList;
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItem(QStringLiteral("Select Output Device"));
    int index = 0;
    const int outputs = Midi().OutputCount();
    for (int n = 0; n < outputs; ++n) {
        const QString name = QString::fromStdString(OutputDeviceName(Midi(), n));
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
        const std::string missing = Midi().Missing();
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
        if (m_pendingOutput <= Midi().OutputCount()) {
            FillOutputList(QString::fromStdString(OutputDeviceName(Midi(), m_pendingOutput - 1)));
            doc->Set(KeyOf(&CControllerDoc::outMIDIPort), m_pendingOutput, ChangeOrigin::Device);
            m_pendingOutput = 0;
        }
        RefreshInputs();
        return;
    }
    const bool connected = m_link.Output().IsConnectedTo(before);
    const bool wasAbsent = m_outputList->itemData(before, kAbsentRole).toBool();
    bool returned = false;
    const int index = FillOutputList(chosen);
    const bool present = index > 0 && index <= Midi().OutputCount();
    if (!chosen.isEmpty()) {
        doc->Set(KeyOf(&CControllerDoc::outMIDIPort), index, ChangeOrigin::Device);
        if (present && connected) {
            m_link.OutputRenumbered(index); // the connection stands
        } else if (present) {
            // Back: the old port goes and the device is opened anew. Nothing is sent here:
            // the window hears of the return and decides.
            returned = m_link.OutputReturned(index).Ok() && wasAbsent;
        } else {
            m_link.OutputGone(index);
        }
    } else if (doc->outMIDIPort != index) {
        // The list showed no device (one it never listed, or none at all) and now shows the
        // prompt entry; the document's device follows, so that no send finds a device the
        // operator was not shown.
        doc->Set(KeyOf(&CControllerDoc::outMIDIPort), index, ChangeOrigin::Device);
    }
    RefreshInputs();
    if (returned) {
        emit processorReturned(chosen);
    }
}

void CMidiDeviceLists::FillInputList() {
    m_inputList->clear();
    for (int n = 0; n < Midi().InputCount(); ++n) {
        m_inputList->addItem(QString::fromStdString(InputDeviceName(Midi(), n)));
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
        // A device that does not open is told by the log only.
        static_cast<void>(m_link.ChooseOutput(index));
    }
}
