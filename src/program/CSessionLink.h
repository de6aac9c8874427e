// Orbis in a session manager's session: the manager says where the document lives, when to
// save it and whether the windows show; the program reports its unsaved-changes mark as it
// flips. In a session the document is the session's: the program never asks where to save,
// leaves "Last Document" alone and hides its windows instead of quitting when closed. A
// manager that does not answer the announce leaves the program running as without one.
// The cue list lives beside the document, in a show file of the same name (.oshow): the
// session's save writes it and its open reads it, a session without one having no cues.
#pragma once

#include <QObject>
#include <QString>

#include <string>

class CControllerDoc;
class CCueEngine;
class CDocumentEvents;
class CDocumentGuard;
class CSessionClient;
class QTimer;

class CSessionLink : public QObject {
    Q_OBJECT

public:
    static constexpr int kAnnounceTimeoutMs = 5000;
    static constexpr const char* kApplicationName = "Orbis";

    // Talks to the manager at `url` (NSM_URL) for the program's document, kept by `guard` and
    // told by `events`; all three must outlive this object.
    CSessionLink(CControllerDoc& doc, CDocumentGuard& guard, CDocumentEvents& events,
                 const QString& url, QObject* parent = nullptr);
    ~CSessionLink() override;

    // Until the manager answers, and for as long as the session lasts.
    bool IsActive() const { return m_active; }
    // The document's path in the session; empty before the manager opened one.
    const std::string& DocumentName() const { return m_document; }
    // The cue list the session keeps beside its document; it must outlive this object.
    void SetCueEngine(CCueEngine* cues) { m_cues = cues; }
    // The main window was closed: every window hides and the manager is told.
    void HideWindows();

signals:
    // The manager refused or never answered: the program runs on as outside a session.
    void ended(const QString& why);
    // The manager opened the session's document; its journals may be offered now.
    void documentOpened();
    // The manager shows or hides the program's windows; the windows do it.
    void windowsShownRequested(bool shown);

private:
    void OnOpen(const QString& path);
    void OnSave();
    void ShowWindows(bool shown);
    void GiveUp(const QString& why);

    // The document is what the session's file holds: no mark.
    void MarkSaved();

    CControllerDoc& m_doc;
    CDocumentGuard& m_guard;
    CDocumentEvents& m_events;
    CCueEngine* m_cues = nullptr;
    CSessionClient* m_client = nullptr;
    QTimer* m_announceTimer = nullptr;
    bool m_active = true;
    std::string m_document;
    std::string m_show; // the cue list's file beside the document
};
