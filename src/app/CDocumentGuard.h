// Keeps the operator's work when the program ends: knows whether the document has changed
// since it was opened or saved, asks before a close drops such changes, and when the
// program is ended without a chance to ask (SIGTERM, the desktop session ending) keeps
// them in a recovery file that the next start offers to restore.
#pragma once

#include <QString>

#include <optional>
#include <vector>

class CControllerDoc;
class QWidget;

class CDocumentGuard {
public:
    // The recovery file lives in `folder`; by default the user's data folder.
    explicit CDocumentGuard(QString folder = DefaultFolder());

    static QString DefaultFolder();
    QString RecoveryFileName() const;

    // The document as it now stands is what its file holds (opened, saved or new).
    void MarkSaved(const CControllerDoc& doc);
    // The document holds changes that no file holds, whatever its values.
    void MarkUnsaved();
    bool IsModified(const CControllerDoc& doc) const;

    // Before a close: asks "Save changes to NAME?" when the document has changed, and saves
    // it with Save As when the operator chooses so. True when the close may go on; a
    // recovery file kept earlier in this run is then removed.
    bool ConfirmClose(CControllerDoc& doc, QWidget* parent);

    // Writes the changed document, with its name, to the recovery file; nothing when it has
    // not changed. False when the file could not be written.
    bool SaveRecovery(const CControllerDoc& doc);
    bool HasRecovery() const;
    // Asks whether to restore the recovered changes; when the operator agrees they replace
    // the document's values and name. Either way the recovery file is then removed.
    // True when the document was restored.
    bool OfferRecovery(CControllerDoc& doc, QWidget* parent);
    // Reads the recovery file into the document without asking; false when there is none.
    bool RestoreRecovery(CControllerDoc& doc);
    void RemoveRecovery();

private:
    QString NameFileName() const;
    bool AskBeforeClose(CControllerDoc& doc, QWidget* parent);

    QString m_folder;
    // Every persistent value as last opened or saved; nothing when no file holds them.
    std::optional<std::vector<int>> m_saved;
};
