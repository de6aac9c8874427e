// The one way out to the processor. Every live value (a control, a pad, the tracker, an
// undo) is posted here and paced; the Send buttons, the resend on return, the network's
// send requests, Program Changes and system-exclusive commands go out in order behind what
// already waits, within the same budget: a MIDI cable carries no more, whoever asks. The
// port stays the document's, opened on the entry chosen in the main window's output list.
// Its timer runs only while something waits, so an idle program never wakes for it.
#pragma once

#include "midi/ControlChangePacer.h"
#include "midi/MidiResult.h"
#include "model/DocumentChange.h"

#include <QObject>

#include <functional>
#include <optional>
#include <vector>

class CControllerDoc;
class QTimer;

class CProcessorLink : public QObject {
    Q_OBJECT

public:
    enum class Section { Patchbay, Channels, Globals };

    // `outputSelection` is the output list's current entry, which a send opens. The document
    // must outlive this object.
    CProcessorLink(CControllerDoc& doc, std::function<int()> outputSelection,
                   QObject* parent = nullptr);
    ~CProcessorLink() override;

    // The Control Change that carries a document value, or nothing for values never sent.
    static std::optional<ControlChangePacer::Message> ControlChangeOf(ParameterKey key, int value);

    // A live value, by the document key that holds it or as a raw Control Change.
    using Repeat = ControlChangePacer::Repeat;
    void Post(ParameterKey key, int value, Repeat repeat = Repeat::Send);
    void Post(int channel, int controller, int value, Repeat repeat = Repeat::Send);

    // A whole section, byte for byte as the document sends it, after everything waiting and
    // with the values it holds when its turn comes; a request while the same section still
    // waits is part of that one. Fails at once when no port is open to take it.
    MidiResult SendSection(Section section);
    // Runs `send` (a Program Change, a system-exclusive command) after everything waiting;
    // `messages` is what it puts on the wire, in three-byte messages, for the budget. Fails
    // at once when no port is open to take it.
    MidiResult SendBarrier(int messages, std::function<MidiResult()> send);
    // The processor may hold anything (it returned, or another device was chosen).
    void ForgetSent() { m_pacer.ForgetSent(); }
    bool Waiting() const { return m_pacer.Waiting(); }
    // The program is ending: what waits goes out now, unpaced, while every sender is alive.
    void Drain();

private:
    void OnChanges(const DocumentChanges& changes);
    void Pump();
    bool SendOne(const ControlChangePacer::Message& message);
    MidiResult OpenPort();
    void PumpSoon();

    CControllerDoc& m_doc;
    std::function<int()> m_outputSelection;
    ControlChangePacer m_pacer;
    QTimer* m_timer = nullptr;
    int m_subscription = 0;
};
