#include "ui/CWindowQuestions.h"

#include "program/CCueEngine.h"
#include "program/DocumentNotices.h"
#include "ui/CRecoveryList.h"
#include "ui/FileCommands.h"
#include "ui/NoticeWindow.h"

#include <QFile>
#include <QFileDialog>
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

bool CWindowQuestions::SaveCuesAs(CCueEngine& cues) {
    QString path =
        QFileDialog::getSaveFileName(m_parent, QStringLiteral("Save Show As"),
                                     QFile::decodeName(QByteArray::fromStdString(cues.FileName())),
                                     QStringLiteral("Shows (*.oshow)"));
    if (path.isEmpty()) {
        return false;
    }
    if (!path.endsWith(QStringLiteral(".oshow"))) {
        path += QStringLiteral(".oshow");
    }
    const FileResult saved = cues.Save(QFile::encodeName(path).toStdString());
    if (!saved) {
        ShowNotice(m_parent, QStringLiteral("The show could not be saved as %1: %2")
                                 .arg(ShownPath(path), QString::fromLocal8Bit(saved.reason)));
    }
    return saved.ok;
}

void CWindowQuestions::Tell(const QString& text) {
    ShowNotice(m_parent, text);
}

void CWindowQuestions::OfferJournals(const QString& notes, const std::vector<Journal>& journals,
                                     Restorer restore, Discarder discard) {
    CRecoveryList list(notes, journals, std::move(restore), std::move(discard), m_parent);
    list.exec();
}
