#include "ui/NoticeWindow.h"

#include <QMessageBox>
#include <QTimer>

void ShowNotice(QWidget* parent, const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    auto* notice = new QMessageBox(QMessageBox::Warning, QStringLiteral("Orbis"), text,
                                   QMessageBox::Ok, parent);
    notice->setObjectName(QStringLiteral("Notice"));
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setWindowModality(Qt::NonModal);
    // Shown once the event loop runs, so that it comes up over a window still being built.
    QTimer::singleShot(0, notice, [notice] { notice->show(); });
}
