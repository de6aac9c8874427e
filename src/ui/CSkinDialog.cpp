#include "ui/CSkinDialog.h"

#include <QPainter>

CSkinDialog::CSkinDialog(QWidget* parent) : QDialog(parent) {}

void CSkinDialog::SetBackgroundPicture(const QPixmap& picture) {
    m_background = picture;
    update();
}

void CSkinDialog::paintEvent(QPaintEvent* event) {
    if (m_background.isNull()) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter(this).drawTiledPixmap(rect(), m_background);
}
