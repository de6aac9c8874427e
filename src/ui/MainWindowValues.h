// What the main window shows of the document: the shown channel's knobs and sliders, the
// globals, the source pad with its three labels, the readout and the output list. It follows
// the document's changes whatever their origin; changes are noted as they come and shown
// once the event loop's pass ends, so a burst of positions repaints once. Values put on the
// controls this way send nothing.
#pragma once

#include "model/DocumentChange.h"
#include "model/ValueText.h"
#include "ui/MainControlTable.h"
#include "ui/MainWindowWidgets.h"

#include <QObject>
#include <QPoint>
#include <QString>

#include <string>

class CControllerDoc;
class CDocumentEvents;

class MainWindowValues : public QObject {
    Q_OBJECT

public:
    // `ui` are the main window's widgets; all three outlive this object.
    MainWindowValues(const CControllerDoc& doc, CDocumentEvents& events, MainWindowWidgets& ui,
                     QObject* parent = nullptr);

    // Selection of the channel list: 0 is "Ch. 1".
    int ShownChannel() const;
    // Every control, the pad and the output list show the document again.
    void Refresh();
    // The source pad, the Z slider and the three source labels.
    void ShowSourcePosition();
    // Writes source label 1068, 1069 or 1070 for a 0-127 value in the current display mode.
    void ShowSourceLabel(int labelId, int value);
    // The marker was placed by a drag at these values; it stays where it is while they hold.
    void NotePadValues(QPoint values) { m_padValues = values; }
    // The readout names `control` and shows `value`, as when the operator moves it.
    void ShowReadout(const MainControl& control, int value);
    // The value with its unit as the readout shows it, for a screen reader.
    QString ValueWithUnit(const MainControl& control, int value) const;

private:
    void NoteChanges(const DocumentChanges& changes);
    void ShowNotedChanges();
    // The shown channel's controls, the globals, the source pad and its labels.
    void ShowDocumentValues();
    // Moves one control and keeps the readout's value up to date when it names its parameter.
    void ShowControl(const MainControl& control, int value);
    ValueLabelContext LabelContext() const;
    std::string ReadoutText(const MainControl& control, int value) const;

    const CControllerDoc& m_doc;
    MainWindowWidgets& m_ui;
    CSkinLabel* m_readoutCaption;
    CSkinLabel* m_readoutValue;
    bool m_valuesStale = false;
    bool m_positionStale = false; // only the shown channel's source position changed
    bool m_outputStale = false;
    // The values the source pad's marker stands for; a drag places it finer than that.
    QPoint m_padValues{-1, -1};
};
