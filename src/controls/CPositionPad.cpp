#include "controls/CPositionPad.h"

#include "controls/CPositionPadOwner.h"
#include "controls/ControlResources.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

// The marker's hot spot relative to its top-left corner while it follows the pointer.
constexpr int kDragOffset = 9;

} // namespace

CPositionPad::CPositionPad(QWidget* parent) : CPadBase(parent) {
    InitControlResources();
    m_marker = QImage(BitmapPath(BitmapId::PositionMarker)).convertToFormat(QImage::Format_RGB32);
}

void CPositionPad::SetFromValues(int x, int y) {
    m_markerTopLeft = QPoint(x * width() / 127 - m_marker.width() / 2,
                             height() * (127 - y) / 127 - m_marker.height() / 2);
    Compose();
}

void CPositionPad::SetFromScreenValues(int x, int y) {
    m_markerTopLeft = QPoint(x * width() / 127 - m_marker.width() / 2,
                             y * height() / 127 - m_marker.height() / 2);
    Compose();
}

void CPositionPad::ApplyTrackerPosition(double x, double y, double z) {
    const int w = width();
    const int h = height();
    int left = static_cast<int>(x + 24.0);
    const int fromBottom = static_cast<int>(h - y - 6.0);
    int top = fromBottom - 36;
    if (left < 0) {
        left = -10;
    }
    if (left > w) {
        left = w - 10;
    }
    if (top < 0) {
        top = -10;
    }
    if (top > h) {
        top = h - 10;
    }
    m_markerTopLeft = QPoint(left, top);
    Compose();
    if (m_owner != nullptr) {
        m_owner->ApplyPadPosition(static_cast<int>(x - 5.0), fromBottom, z);
    }
}

void CPositionPad::ComposePicture(QPainter& painter) {
    if (m_background.size() != size()) {
        m_background = QImage(size(), QImage::Format_RGB32);
        m_background.fill(kBackground);
    }
    painter.drawImage(0, 0, m_background);
    painter.drawImage(m_markerTopLeft, m_marker);
}

void CPositionPad::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        SpriteHit(m_markerTopLeft, m_marker.size(), event->position().toPoint())) {
        m_dragging = true;
    }
    CPadBase::mousePressEvent(event);
}

void CPositionPad::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging) {
        const QPoint pointer = event->position().toPoint();
        m_markerTopLeft = pointer - QPoint(kDragOffset, kDragOffset);
        Compose();
        if (m_owner != nullptr) {
            m_owner->ApplyPadPosition(pointer.x() - 5, height() - pointer.y() - 6, -1.0);
        }
    }
    CPadBase::mouseMoveEvent(event);
}

void CPositionPad::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
    }
    CPadBase::mouseReleaseEvent(event);
}
