// The unsaved-work guard's questions asked in windows: the save question, Save As, notices
// that do not block and the recovery list, each over `parent`.
#pragma once

#include "program/CDocumentGuard.h"

#include <QPointer>
#include <QWidget>

class CWindowQuestions : public DocumentQuestions {
public:
    explicit CWindowQuestions(QWidget* parent = nullptr) : m_parent(parent) {}

    Answer AskToSave(const QString& shownName) override;
    bool SaveAs(CControllerDoc& doc) override;
    bool SaveCuesAs(CCueEngine& cues) override;
    void Tell(const QString& text) override;
    void OfferJournals(const QString& notes, const std::vector<Journal>& journals, Restorer restore,
                       Discarder discard) override;

private:
    QPointer<QWidget> m_parent;
};
