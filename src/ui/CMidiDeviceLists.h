// The main window's device lists: the output list, filled from the MIDI system and kept on
// the chosen device by name while devices come, go and are renumbered, and the hidden
// input list behind the Input Device menu. Choosing an output sets the document's output
// device and has the processor link open it; nothing is sent. The list's entry and the
// document's device stay the same number, as the link sends to the latter.
// A chosen device that went away and came back is reopened and announced, as the processor
// behind it has most likely lost its setup; what to do about that is the window's choice.
#pragma once

#include <QObject>

class CControllerDoc;
class CInputDeviceMenu;
class CMidiDeviceWatcher;
class CProcessorLink;
class MidiBackend;
class QComboBox;
class QString;

class CMidiDeviceLists : public QObject {
    Q_OBJECT

public:
    // Fills both lists, selects the document's output and follows the MIDI system from
    // then on. The document, the link and the widgets must outlive this object.
    CMidiDeviceLists(CControllerDoc& doc, CProcessorLink& link, QComboBox* outputList,
                     QComboBox* inputList, CInputDeviceMenu& inputMenu, QObject* parent);

signals:
    // The chosen output, listed absent, returned and was opened again. Not told for a
    // renumbering, nor for the stored device listed late at start.
    void processorReturned(const QString& name);

private:
    void Fill();
    // Lists the output devices, keeping `chosen` selected by name (listed as absent when it
    // is gone); returns its index, or 0 for the prompt entry.
    int FillOutputList(const QString& chosen);
    void FillInputList();
    void OnDevicesChanged();
    void RefreshInputs();
    void OnOutputListActivated(int index);

    MidiBackend& Midi() const;

    CControllerDoc& m_doc;
    CProcessorLink& m_link;
    QComboBox* m_outputList;
    QComboBox* m_inputList;
    CInputDeviceMenu& m_inputMenu;
    CMidiDeviceWatcher* m_watcher = nullptr;
    // The stored output device number while the MIDI system has not yet listed it (a JACK
    // client still connecting at start); chosen when it appears. 0 when none is waiting.
    int m_pendingOutput = 0;
};
