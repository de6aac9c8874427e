// The application object: remembers the last controller file across runs ("Last
// Document"), records the working folder the factory presets are found under, owns the
// document for the whole run, runs the main window, installs the program's keys and
// flips the display between unit texts and raw 0-127 values.
#pragma once

#include "app/CDocumentGuard.h"
#include "app/CNetworkControl.h"
#include "app/SettingsWindowRules.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CControllerDlg;
class CControllerDoc;
class CSessionLink;
struct CommandLine;
class MidiBackend;
class QWidget;

class CControllerApp {
public:
    using SettingsWindowFactory = std::function<QWidget*(CControllerDlg&)>;
    using ModalWindowRunner = std::function<void(CControllerDlg&)>;

    // Reads "Last Document" (creating it as "New Document" on the first run) and the
    // current folder. Only one application object exists at a time. Every port of the
    // program talks to `midi`, which outlives the application object.
    explicit CControllerApp(MidiBackend& midi);
    // The exit sequence: "Last Document" from the document's name, then the document and
    // with it the MIDI output port go.
    ~CControllerApp();
    CControllerApp(const CControllerApp&) = delete;
    CControllerApp& operator=(const CControllerApp&) = delete;

    static CControllerApp* Instance() { return s_instance; }
    MidiBackend& Midi() const { return m_midi; }

    // Opens `path` at start in place of the last document. A file that cannot be read is
    // reported by the returned text for a message box (empty when it reads), and by
    // terminalLine in one line naming the whole path; the default document is then used.
    QString UseStartFile(const QString& path, QString* terminalLine = nullptr);
    // The start file's text as UseStartFile read it, handed over once so that the main
    // window does not read the file again; nothing when no start file was read.
    std::optional<std::string> TakeStartFileText() { return std::exchange(m_startFileText, {}); }
    // Whether a file named at start replaced the last document.
    bool StartFileOpened() const { return m_startFileOpened; }

    // Runs the main window until it closes; the program then ends.
    int Run();
    // Joins the session of the manager at `url` (NSM_URL) when Run starts: the manager,
    // not "Last Document", says which document opens.
    void UseSession(const QString& url) { m_sessionUrl = url; }
    // OSC control as remembered, or as the command line asks for this run.
    void UseNetworkCommandLine(const CommandLine& line);
    CNetworkControl::Stored NetworkSettings() const;
    // How /orbis/preset/try tries a factory preset: the settings windows provide it.
    using PresetTrier = std::function<void(CControllerDlg&, int row)>;
    void SetPresetTrier(PresetTrier trier) { m_presetTrier = std::move(trier); }
    const PresetTrier& Trier() const { return m_presetTrier; }
    // Announces `window`'s program to that manager; Run does it for its window.
    void JoinSession(CControllerDlg& window);
    // The session's side of the run while one is joined or being joined, else nullptr.
    CSessionLink* Session() const;
    // Ends the run from a signal or the session, with no question: unsaved changes go to
    // the recovery file first.
    void RequestClose();
    // The session is about to end the program: store what a sudden end would lose.
    void SaveForSessionEnd();
    // True once the run is being ended without asking.
    bool CloseRequested() const { return m_closeRequested; }
    // Whether the document has unsaved changes, the close question and the recovery file.
    CDocumentGuard& DocumentGuard() { return m_guard; }

    // Makes the window the main window and gives it the program's keys; nullptr forgets it.
    void AttachMainWindow(CControllerDlg* window);

    // Commands no window handles.
    bool OnCommand(int command);
    void OnToggleRawValues();

    // Writes "Last Document" from the document's name when the store exists.
    void WriteLastDocument();
    // The settings file of "Last Document".
    static QString SettingsFileName();

    // How the settings windows are made; an empty factory means that kind is not built
    // into this program and its command does nothing.
    void SetSettingsWindowFactory(SettingsWindow window, SettingsWindowFactory factory);
    const SettingsWindowFactory& SettingsWindowFactoryFor(SettingsWindow window) const;
    // The Patchbay and About windows, handed to every main window this object attaches.
    void SetModalWindowRunner(int command, ModalWindowRunner runner);

    CControllerDlg* m_pControllerDlg = nullptr;
    std::unique_ptr<CControllerDoc> m_pDoc;
    QString m_strLastDocument;
    QString m_strWorkingDir;

private:
    void ReadLastDocument();
    std::optional<std::string> m_startFileText;
    bool m_startFileOpened = false;
    void InstallAccelerators(CControllerDlg& window);

    void LeaveSession(CControllerDlg& window, const QString& why);

    MidiBackend& m_midi;
    bool m_closeRequested = false;
    QString m_sessionUrl;
    QPointer<CSessionLink> m_session; // owned by the main window
    bool m_endedInSession = false;
    std::optional<CNetworkControl::Stored> m_networkOverride;
    PresetTrier m_presetTrier;
    CDocumentGuard m_guard;
    std::array<SettingsWindowFactory, kSettingsWindowCount> m_windowFactories;
    std::vector<std::pair<int, ModalWindowRunner>> m_modalRunners;
    static CControllerApp* s_instance;
};

// The document every window works on; nullptr before the main window has created it.
CControllerDoc* GetControllerDoc();
