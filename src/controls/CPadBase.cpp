#include "controls/CPadBase.h"

#include <QPainter>

CPadBase::CPadBase(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void CPadBase::Compose() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (m_picture.size() != pixels || m_picture.devicePixelRatio() != ratio) {
        m_picture = QPixmap(pixels);
        m_picture.setDevicePixelRatio(ratio);
    }
    {
        QPainter painter(&m_picture);
        ComposePicture(painter);
    }
    update();
}

void CPadBase::paintEvent(QPaintEvent*) {
    if (m_picture.size() != size() * devicePixelRatioF()) {
        Compose();
    }
    QPainter(this).drawPixmap(0, 0, m_picture);
}

void CPadBase::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Compose();
}

bool CPadBase::SpriteHit(QPoint topLeft, QSize size, QPoint point) {
    return point.x() >= topLeft.x() && point.x() <= topLeft.x() + size.width() &&
           point.y() >= topLeft.y() && point.y() <= topLeft.y() + size.height();
}
