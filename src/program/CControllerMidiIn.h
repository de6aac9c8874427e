// The main window's MIDI input: every received Control Change the processor sends back
// becomes the document value it carries.
#pragma once

#include "midi/qt/CMaxMidiInWnd.h"

#include <functional>

class CControllerDoc;

class CControllerMidiIn : public CMaxMidiInWnd {
    Q_OBJECT
public:
    using DocumentSource = std::function<CControllerDoc*()>;

    explicit CControllerMidiIn(MidiBackend& backend, QObject* parent = nullptr)
        : CMaxMidiInWnd(backend, parent) {}

    // Where the document is found at the moment an event arrives; it may be none.
    void SetDocumentSource(DocumentSource source) { m_documentSource = std::move(source); }

protected:
    int OnEvent(const PortEvent& event) override;

private:
    DocumentSource m_documentSource;
};
