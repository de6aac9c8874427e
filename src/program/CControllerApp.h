// The program without its windows: the document and everything that keeps, sends or changes
// it for the whole run. It owns the document's change notices, the processor link, the undo
// history, the unsaved-work guard with its journal, the MIDI input, the tracker link, the OSC
// control with its feedback and its OSCQuery server, the remote page's server and, in a
// session, the session link; it remembers "Last Document" across runs and the working folder
// the factory presets are found under. It runs with every window hidden; the windows are views
// of it, and so is anything else that talks to the program.
#pragma once

#include "program/CDocumentGuard.h"
#include "program/CNetworkControl.h"
#include "program/COscQueryControl.h"
#include "program/CRemoteControl.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class CControllerDoc;
class CCueEngine;
class CControllerMidiIn;
class CDocumentEvents;
class CProcessorLink;
class CSessionLink;
class CTrackerLink;
class COscFeedback;
class CUndoHistory;
class MidiBackend;
class QTimer;
struct CommandLine;

class CControllerApp : public QObject {
    Q_OBJECT

public:
    // Unsaved changes reach the journal at most this long after they were made, so that a
    // drag's hundred changes cost a few writes.
    static constexpr int kJournalDelayMs = 500;

    // Reads "Last Document" (creating it as "New Document" on the first run) and the
    // current folder. Every port of the program
    // talks to `midi`, which outlives the program object.
    explicit CControllerApp(MidiBackend& midi, QObject* parent = nullptr);
    // The exit sequence: "Last Document" from the document's name, then the services and
    // the document go.
    ~CControllerApp() override;
    CControllerApp(const CControllerApp&) = delete;
    CControllerApp& operator=(const CControllerApp&) = delete;

    MidiBackend& Midi() const { return m_midi; }
    CControllerDoc& Doc() const { return *m_pDoc; }
    CDocumentEvents& Events() const { return *m_events; }
    CProcessorLink& Link() const { return *m_link; }
    CUndoHistory& History() const { return *m_history; }
    CNetworkControl& Network() const { return *m_network; }
    COscFeedback& Feedback() const { return *m_feedback; }
    CRemoteControl& Remote() const { return *m_remote; }
    COscQueryControl& OscQuery() const { return *m_oscQuery; }
    CTrackerLink& Tracker() const { return *m_tracker; }
    CControllerMidiIn& MidiIn() const { return *m_midiIn; }
    CCueEngine& Cues() const { return *m_cues; }
    CDocumentGuard& DocumentGuard() { return m_guard; }

    // Opens `path` at start in place of the last document. A file that cannot be read is
    // reported by the returned text for a message box (empty when it reads), and by
    // terminalLine in one line naming the whole path; the default document is then used.
    QString UseStartFile(const QString& path, QString* terminalLine = nullptr);
    // Opens the cue list of the show file `path` named at start. Returns what to tell on the
    // terminal, one line each: why it could not be read, or what was wrong in it; the
    // program runs on with what could be taken.
    QStringList UseCueFile(const QString& path);
    // Whether a file named at start replaced the last document.
    bool StartFileOpened() const { return m_startFileOpened; }
    // Joins the session of the manager at `url` (NSM_URL) when the run begins: the manager,
    // not "Last Document", says which document opens.
    void UseSession(const QString& url) { m_sessionUrl = url; }
    bool JoiningSession() const { return !m_sessionUrl.isEmpty(); }
    // OSC control and the remote page as remembered, or as the command line asks for this run.
    void UseNetworkCommandLine(const CommandLine& line);
    CNetworkControl::Stored NetworkSettings() const;
    // OSC feedback to the targets `stored` lists, objects numbered as it says.
    void UseFeedback(const CNetworkControl::Stored& stored);
    CRemoteControl::Stored RemoteSettings() const;
    COscQueryControl::Stored OscQuerySettings() const;

    // The run begins: the start document is read (the start file, else the last document,
    // else a new one; a session's document comes from the manager later), OSC control
    // listens as set, and the session is joined. What the operator should be told about the
    // start document is returned; empty when nothing. Later calls do nothing.
    QString Begin();
    // The session's side of the run while one is joined or being joined, else nullptr.
    CSessionLink* Session() const;
    // The manager refused or never answered: the run goes on as one without a session, on
    // the last document unless something was changed already. Returns what to tell.
    QString LeaveSession(const QString& why);

    // Ends the run from a signal or the session, with no question: unsaved changes go to
    // the recovery file first; the windows are asked to close (closeRequested).
    void RequestClose();
    // The session is about to end the program: store what a sudden end would lose.
    void SaveForSessionEnd();
    // True once the run is being ended without asking.
    bool CloseRequested() const { return m_closeRequested; }
    // The document as it now stands is what its file holds: no mark, and outside a session
    // the file is the last document, remembered at once.
    void MarkSaved();

    // The channel whose source the tracker moves: the one the main window shows.
    void SetTrackedChannel(int channel) { m_trackedChannel = channel; }

    // The display flips between unit texts and raw 0-127 values; every window follows.
    void ToggleRawValues();

    // Writes "Last Document" from the document's name when the store exists.
    void WriteLastDocument();
    // The settings file of "Last Document".
    static QString SettingsFileName();

    QString m_strLastDocument;
    QString m_strWorkingDir;

signals:
    // The run is ending without a question: every window closes.
    void closeRequested();
    // A session manager shows or hides the program's windows.
    void windowsShownRequested(bool shown);
    // The session's document was opened: journals kept for it may be offered now.
    void sessionDocumentOpened();
    // The session was left: the windows show and offer what a start without one offers.
    void sessionLeft(const QString& notice);

private:
    void ReadLastDocument();

    MidiBackend& m_midi;
    std::unique_ptr<CControllerDoc> m_pDoc;
    CDocumentGuard m_guard;
    CDocumentEvents* m_events = nullptr;
    QTimer* m_journalTimer = nullptr;
    CProcessorLink* m_link = nullptr;
    CUndoHistory* m_history = nullptr;
    CCueEngine* m_cues = nullptr;
    CNetworkControl* m_network = nullptr;
    COscFeedback* m_feedback = nullptr;
    CRemoteControl* m_remote = nullptr;
    COscQueryControl* m_oscQuery = nullptr;
    CTrackerLink* m_tracker = nullptr;
    CControllerMidiIn* m_midiIn = nullptr;
    QPointer<CSessionLink> m_session;

    std::optional<std::string> m_startFileText;
    bool m_startFileOpened = false;
    int m_trackedChannel = 0;
    bool m_begun = false;
    bool m_closeRequested = false;
    QString m_sessionUrl;
    std::optional<CNetworkControl::Stored> m_networkOverride;
    std::optional<CRemoteControl::Stored> m_remoteOverride;
    std::optional<COscQueryControl::Stored> m_oscQueryOverride;
};
