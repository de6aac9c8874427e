// The "Spat. Outs Position Manager": where the processor's eight loudspeakers stand. A top
// view of the room with one draggable icon per loudspeaker in use, and a "Fine Tuning"
// panel (hidden at first) that shows each loudspeaker's X, Y and Z and steps them by one.
// Every change is stored in the document and sent at once; the window follows the document
// whatever changes it.
#pragma once

#include "controls/CSpeakerPadOwner.h"
#include "model/DocumentChange.h"
#include "ui/CSkinDialog.h"

#include <array>

class CControllerApp;
class CControllerDoc;
class CSkinButton;
class CSpeakerPad;
class CUpDownArrows;
class QLineEdit;

class CSpatOutsDlg : public CSkinDialog, public CSpeakerPadOwner {
    Q_OBJECT

public:
    static constexpr int kPanelWidth = 312;

    // Opens beside `mainWindow`'s centre, whose child it is.
    CSpatOutsDlg(CControllerApp& program, QWidget& mainWindow);

    // Empties and disables all 24 fields, then enables those of loudspeakers 1 to n
    // (n above 8 counts as 8).
    void SetSpeakerCount(int count) override;
    // Writes loudspeaker i's coordinates into its fields, in metres or raw 0-127 values.
    void ShowCoordinates(int speaker, int x, int y, int z) override;
    void SpeakerDragged(int speaker, int px, int py) override;
    void SpeakerStepped(int speaker, int dx, int dy) override;

    // Re-reads the number of loudspeakers and their positions onto the pad and the fields.
    void ReinitialiseSpeakerPad();

    // CSpeakerPadOwner: the document's loudspeakers.
    int SpeakerCount() const override;
    SpeakerPosition SpeakerAt(int speaker) const override;

    void ToggleFineTuning();
    bool IsFineTuningShown() const { return m_fineTuningShown; }

    CSpeakerPad* Pad() const { return m_pad; }
    QLineEdit* Field(int speaker, int axis) const { return m_fields[speaker][axis]; }
    CUpDownArrows* Arrows(int speaker, int axis) const { return m_arrows[speaker][axis]; }

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void OnArrow(int speaker, int axis, int delta);
    CControllerDoc* Doc() const;
    void NoteChanges(const DocumentChanges& changes);
    void ShowNotedChanges();

    CControllerApp& m_program;
    QWidget& m_mainWindow;
    CSpeakerPad* m_pad = nullptr;
    CSkinButton* m_fineTuning = nullptr;
    std::array<std::array<QLineEdit*, 3>, 8> m_fields{};
    std::array<std::array<CUpDownArrows*, 3>, 8> m_arrows{};
    bool m_fineTuningShown = false;
    bool m_placed = false;
    bool m_rebuildStale = false;
    unsigned m_staleSpeakers = 0; // one bit per loudspeaker
};
