// The journals of runs that ended without saving, offered in one window however many there
// are: newest first, each with its document's name and when it last changed. One of them can
// be restored into this program's document; any can be discarded; those left stay for a
// later start. What the start has to say besides (an unexpected end, changes that cannot be
// kept) stands above the list, so that no second window hides it.
#pragma once

#include "program/CDocumentGuard.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

class CRecoveryList : public QDialog {
    Q_OBJECT

public:
    using Entry = DocumentQuestions::Journal;
    using Restorer = DocumentQuestions::Restorer;
    using Discarder = DocumentQuestions::Discarder;

    // Restore closes the window once an entry is restored; Keep for Later (Escape) closes it
    // leaving the rest.
    CRecoveryList(const QString& notes, const std::vector<Entry>& entries, Restorer restore,
                  Discarder discard, QWidget* parent = nullptr);

    // What the window says above the list.
    QString Text() const;

private:
    void RestoreSelected();
    void DiscardSelected();
    void DiscardAll();
    void UpdateButtons();

    Restorer m_restore;
    Discarder m_discard;
    QLabel* m_text = nullptr;
    QLabel* m_status = nullptr;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_restoreButton = nullptr;
    QPushButton* m_discardButton = nullptr;
};
