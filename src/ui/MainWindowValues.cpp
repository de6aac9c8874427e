#include "ui/MainWindowValues.h"

#include "controls/CPositionPad.h"
#include "controls/CSkinLabel.h"
#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "program/CDocumentEvents.h"
#include "ui/ControlIds.h"

#include <QAbstractSlider>
#include <QComboBox>

namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

MainWindowValues::MainWindowValues(const CControllerDoc& doc, CDocumentEvents& events,
                                   MainWindowWidgets& ui, QObject* parent)
    : QObject(parent), m_doc(doc), m_ui(ui),
      m_readoutCaption(ui.labels.value(ControlId::ReadoutCaption)),
      m_readoutValue(ui.labels.value(ControlId::ReadoutValue)) {
    connect(&events, &CDocumentEvents::changed, this, &MainWindowValues::NoteChanges);
    connect(&events, &CDocumentEvents::settled, this, &MainWindowValues::ShowNotedChanges);
}

int MainWindowValues::ShownChannel() const {
    return m_ui.channelList->currentIndex();
}

void MainWindowValues::NoteChanges(const DocumentChanges& changes) {
    static const ParameterKey output = KeyOf(&CControllerDoc::outMIDIPort);
    for (const ValueChange& change : changes.values) {
        if (change.key == output) {
            // The device lists keep the output list as the operator and the devices move it;
            // a file or an undo chooses for them.
            m_outputStale |=
                changes.origin == ChangeOrigin::Load || changes.origin == ChangeOrigin::Undo;
        } else if (change.key.IsGlobal() || change.key.channel == ShownChannel()) {
            // A stream of positions moves the pad, its labels and the Z slider; the other
            // twenty controls need not be told their values again.
            const bool position =
                !change.key.IsGlobal() && GroupOf(change.key) == ParameterGroup::SourcePosition;
            (position ? m_positionStale : m_valuesStale) = true;
        }
    }
}

void MainWindowValues::ShowNotedChanges() {
    if (m_outputStale) {
        m_ui.outputList->setCurrentIndex(m_doc.outMIDIPort);
    }
    if (m_valuesStale) {
        ShowDocumentValues();
    } else if (m_positionStale) {
        ShowSourcePosition();
    }
    m_outputStale = false;
    m_valuesStale = false;
    m_positionStale = false;
}

void MainWindowValues::Refresh() {
    m_padValues = QPoint(-1, -1); // another channel, or labels in another mode
    ShowDocumentValues();
    m_ui.outputList->setCurrentIndex(m_doc.outMIDIPort);
}

void MainWindowValues::ShowDocumentValues() {
    const int c = ShownChannel();
    for (const MainControl& row : kMainControls) {
        if (row.id != ControlId::ZPosition) {
            ShowControl(row, row.Value(m_doc, c));
        }
    }
    ShowSourcePosition();
}

ValueLabelContext MainWindowValues::LabelContext() const {
    // The document's room side, not the slider's: a refresh may reach the slider later.
    return {m_doc.ShowRawValues, m_doc.RoomSide, m_doc.Frequence};
}

std::string MainWindowValues::ReadoutText(const MainControl& control, int value) const {
    return ValueLabel(control.Unit(), value, LabelContext());
}

void MainWindowValues::ShowSourceLabel(int labelId, int value) {
    if (CSkinLabel* label = m_ui.labels.value(labelId)) {
        label->setText(
            QString::fromStdString(ValueLabel(ValueUnit::Metres, value, LabelContext())));
    }
}

void MainWindowValues::ShowControl(const MainControl& control, int value) {
    if (m_readoutCaption->text() == Text(control.Caption())) {
        m_readoutValue->setText(QString::fromStdString(ReadoutText(control, value)));
    }
    const auto index = static_cast<std::size_t>(&control - kMainControls.data());
    MoveMainControl(m_ui.controls[index], control.kind, value);
}

void MainWindowValues::ShowReadout(const MainControl& control, int value) {
    m_readoutCaption->setText(Text(control.Caption()));
    m_readoutValue->setText(QString::fromStdString(ReadoutText(control, value)));
}

void MainWindowValues::ShowSourcePosition() {
    const int c = ShownChannel();
    const QPoint position(m_doc.XPosition[c], m_doc.YPosition[c]);
    // A drag places the marker itself; it moves only when the values it stands for change.
    if (position != m_padValues) {
        m_ui.sourcePad->SetFromValues(position.x(), position.y());
        m_padValues = position;
    }
    ShowControl(*FindMainControl(ControlId::ZPosition), m_doc.ZPosition[c]);
    ShowSourceLabel(ControlId::SourceXLabel, position.x());
    ShowSourceLabel(ControlId::SourceYLabel, position.y());
    ShowSourceLabel(ControlId::SourceZLabel, m_doc.ZPosition[c]);
}

QString MainWindowValues::ValueWithUnit(const MainControl& control, int value) const {
    const QString text = QString::fromStdString(ReadoutText(control, value));
    const std::string_view unit = UnitText(control.Unit());
    if (m_doc.ShowRawValues || unit.empty()) {
        return text;
    }
    return text + u' ' + Text(unit);
}
