#include "controls/CPadBase.h"

#include <QKeyEvent>
#include <QPainter>

CPadBase::CPadBase(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void CPadBase::Compose() {
    m_stale = rect();
    update();
}

void CPadBase::Compose(const QRegion& changed) {
    m_stale += changed;
    update(changed);
}

const QPixmap& CPadBase::Picture() {
    ComposeNow();
    return m_picture;
}

void CPadBase::ComposeNow() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (m_picture.size() != pixels || m_picture.devicePixelRatio() != ratio) {
        m_picture = QPixmap(pixels);
        m_picture.setDevicePixelRatio(ratio);
        m_stale = rect();
    }
    if (m_stale.isEmpty()) {
        return;
    }
    QPainter painter(&m_picture);
    painter.setClipRegion(m_stale);
    ComposePicture(painter);
    m_stale = QRegion();
}

void CPadBase::paintEvent(QPaintEvent*) {
    ComposeNow();
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

std::optional<QPoint> CPadBase::KeyStep(const QKeyEvent& event) {
    const int step = event.modifiers() & Qt::ShiftModifier ? 8 : 1;
    switch (event.key()) {
    case Qt::Key_Left:
        return QPoint(-step, 0);
    case Qt::Key_Right:
        return QPoint(step, 0);
    case Qt::Key_Up:
        return QPoint(0, step);
    case Qt::Key_Down:
        return QPoint(0, -step);
    case Qt::Key_PageUp:
        return QPoint(0, 8);
    case Qt::Key_PageDown:
        return QPoint(0, -8);
    default:
        return std::nullopt;
    }
}

void CPadBase::DrawFocusFrame(QPainter& painter, const QRect& frame) {
    for (const auto& [colour, offset] : {std::pair{Qt::white, 0}, std::pair{Qt::black, 3}}) {
        QPen pen(colour, 1, Qt::CustomDashLine);
        pen.setDashPattern({3, 3});
        pen.setDashOffset(offset);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(frame);
    }
}
