// The Cue List window: the show's cues, recorded from the document, edited in place and
// fired. It is a view of the program's cue engine: every edit and fire goes through it (and
// so into the undo history), and the window redraws only from the engine's signals, so it
// shows the list whatever changed it. Modeless; the main window keeps at most one.
#pragma once

#include "model/Cue.h"

#include <QDialog>
#include <QList>

#include <array>
#include <cstddef>
#include <functional>
#include <optional>

class CControllerApp;
class CCueEngine;
class QCheckBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

class CCueListDlg : public QDialog {
    Q_OBJECT

public:
    enum Column { NumberColumn, NameColumn, FadeColumn, PathColumn, ChannelsColumn, GroupsColumn };

    CCueListDlg(CControllerApp& program, QWidget& mainWindow);
    ~CCueListDlg() override;

    // The row selected, if any.
    std::optional<std::size_t> Selected() const;
    // Fade text in seconds as typed: nothing when it is no number; clamped to what a cue holds.
    static std::optional<int> FadeTenthsFromText(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowList();
    void ShowState();
    void ItemEdited(QTableWidgetItem* item);
    void EditList(bool (CCueEngine::*edit)(std::size_t), int move);
    void EditSelected(const std::function<void(Cue&)>& change);
    void FillCueMenu(QMenu& menu);
    void Record();
    void OpenShow();
    void SaveShow();
    void Select(std::optional<std::size_t> index);
    void UpdateButtons();

    CCueEngine& m_cues;
    QLabel* m_state = nullptr;
    QTableWidget* m_table = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_go = nullptr;
    QPushButton* m_cueButton = nullptr;
    QList<QPushButton*> m_needSelection;
    QList<QObject*> m_fireButtons; // which no stray key may press
    std::array<QCheckBox*, 8> m_recordChannels{};
    std::array<QCheckBox*, Cue::kGroups> m_recordGroups{};
    bool m_filling = false; // the table is being redrawn, not edited
};
