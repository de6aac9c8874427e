// The one way out to the processor. Every live value (a control, a pad, the tracker, an
// undo) is posted here and paced; the Send buttons, the resend on return, the network's
// send requests, Program Changes and system-exclusive commands go out in order behind what
// already waits, within the same budget: a MIDI cable carries no more, whoever asks. It owns
// the output port, which follows the document's output device (outMIDIPort, the entry of the
// main window's output list); the device lists tell it when that device is chosen, comes or
// goes. Its timer runs only while something waits, so an idle program never wakes for it.
#pragma once

#include "midi/ControlChangePacer.h"
#include "midi/MidiResult.h"
#include "midi/OutputPortOwner.h"
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

    // The port opens on `backend`. The document and the backend must outlive this object.
    CProcessorLink(CControllerDoc& doc, MidiBackend& backend, QObject* parent = nullptr);
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
    // These values, each sent whether or not the processor has it, in this order after
    // everything waiting, as a section goes (a cue's cut). Values never sent are left out.
    // Fails at once when no port is open to take them.
    MidiResult SendValues(std::vector<std::pair<ParameterKey, int>> values);
    // Runs `send` (a Program Change, a system-exclusive command) after everything waiting;
    // `messages` is what it puts on the wire, in three-byte messages, for the budget. Fails
    // at once when no port is open to take it.
    MidiResult SendBarrier(int messages, std::function<MidiResult()> send);
    // The Program Change that selects a factory preset, and a whole system-exclusive command
    // one byte per event, as barriers.
    MidiResult SendProgramChange(int program);
    MidiResult SendSysExCommand(std::vector<unsigned char> bytes);

    // The output device lists' choices, by list entry (0 is the prompt entry). Choosing opens
    // the device at once, for patchbay programs to show the connection; nothing is sent.
    [[nodiscard]] MidiResult ChooseOutput(int entry) { return m_output.Choose(entry); }
    // The chosen device was renumbered, went away, or came back and is opened anew.
    void OutputRenumbered(int entry) { m_output.Renumber(entry); }
    void OutputGone(int entry) { m_output.LetGo(entry); }
    [[nodiscard]] MidiResult OutputReturned(int entry) { return m_output.Reopen(entry); }
    const OutputPortOwner& Output() const { return m_output; }
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
    OutputPortOwner m_output;
    ControlChangePacer m_pacer;
    QTimer* m_timer = nullptr;
    int m_subscription = 0;
};
