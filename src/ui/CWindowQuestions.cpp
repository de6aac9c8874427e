#include "ui/CWindowQuestions.h"

#include "ui/CRecoveryList.h"
#include "ui/FileCommands.h"
#include "ui/NoticeWindow.h"

#include <QMessageBox>
#include <QPushButton>

DocumentQuestions::Answer CWindowQuestions::AskToSave(const QString& shownName) {
    QMessageBox question(QMessageBox::Warning, QStringLiteral("Orbis"),
                         QStringLiteral("Save changes to %1?").arg(shownName),
                         QMessageBox::NoButton, m_parent);
    question.setObjectName(QStringLiteral("SaveChangesQuestion"));
    question.setInformativeText(QStringLiteral("Without saving, the changes are lost."));
    QPushButton* save = question.addButton(QStringLiteral("Save As…"), QMessageBox::AcceptRole);
    QPushButton* discard =
        question.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    QPushButton* cancel = question.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    save->setObjectName(QStringLiteral("SaveAs"));
    discard->setObjectName(QStringLiteral("Discard"));
    cancel->setObjectName(QStringLiteral("Cancel"));
    question.setDefaultButton(save);
    question.setEscapeButton(cancel);
    question.exec();
    if (question.clickedButton() == discard) {
        return Answer::Discard;
    }
    return question.clickedButton() == save ? Answer::SaveAs : Answer::Cancel;
}

bool CWindowQuestions::SaveAs(CControllerDoc& doc) {
    return SaveFileAs(doc, m_parent);
}

void CWindowQuestions::Tell(const QString& text) {
    ShowNotice(m_parent, text);
}

void CWindowQuestions::OfferJournals(const QString& notes, const std::vector<Journal>& journals,
                                     Restorer restore, Discarder discard) {
    CRecoveryList list(notes, journals, std::move(restore), std::move(discard), m_parent);
    list.exec();
}
