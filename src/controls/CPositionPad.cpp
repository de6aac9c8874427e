#include "controls/CPositionPad.h"

#include "controls/CPositionPadOwner.h"
#include "controls/ControlResources.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The marker's hot spot relative to its top-left corner while it follows the pointer.
constexpr int kDragOffset = 9;

// Values come from files and MIDI as well as from the controls; anything outside 0-127 is
// shown at the edge it lies beyond.
qint64 PadUnits(int value) {
    return std::clamp(value, 0, 127);
}

} // namespace

CPositionPad::CPositionPad(QWidget* parent) : CPadBase(parent) {
    InitControlResources();
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Source Position"));
    m_marker = LoadBitmap(BitmapId::PositionMarker).convertToFormat(QImage::Format_RGB32);
}

void CPositionPad::SetFromValues(int x, int y) {
    SetFromScreenValues(x, 127 - static_cast<int>(PadUnits(y)));
    // What a screen reader says of the pad besides its name.
    setAccessibleDescription(QStringLiteral("X %1, Y %2").arg(PadUnits(x)).arg(PadUnits(y)));
}

void CPositionPad::SetFromScreenValues(int x, int y) {
    MoveMarker(QPoint(static_cast<int>(PadUnits(x) * width() / 127) - m_marker.width() / 2,
                      static_cast<int>(PadUnits(y) * height() / 127) - m_marker.height() / 2));
}

int CPositionPad::WholeValue(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<int>(std::trunc(std::clamp(value, -1.0e6, 1.0e6)));
}

void CPositionPad::MoveMarker(QPoint topLeft) {
    if (topLeft == m_markerTopLeft) {
        return;
    }
    const QRegion changed =
        QRegion(QRect(m_markerTopLeft, m_marker.size())) + QRect(topLeft, m_marker.size());
    m_markerTopLeft = topLeft;
    Compose(changed);
}

void CPositionPad::ComposePicture(QPainter& painter) {
    if (m_background.size() != size()) {
        m_background = QImage(size(), QImage::Format_RGB32);
        m_background.fill(kBackground);
    }
    painter.drawImage(0, 0, m_background);
    painter.drawImage(m_markerTopLeft, m_marker);
    if (hasFocus()) {
        DrawFocusFrame(painter, rect().adjusted(1, 1, -2, -2));
    }
}

void CPositionPad::keyPressEvent(QKeyEvent* event) {
    const std::optional<QPoint> step = KeyStep(*event);
    if (!step) {
        CPadBase::keyPressEvent(event);
        return;
    }
    if (m_owner != nullptr) {
        m_owner->StepPadPosition(step->x(), step->y());
    }
}

void CPositionPad::focusInEvent(QFocusEvent* event) {
    CPadBase::focusInEvent(event);
    Compose();
}

void CPositionPad::focusOutEvent(QFocusEvent* event) {
    CPadBase::focusOutEvent(event);
    Compose();
}

void CPositionPad::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        SpriteHit(m_markerTopLeft, m_marker.size(), event->position().toPoint())) {
        m_dragging = true;
        emit dragStarted();
    }
    CPadBase::mousePressEvent(event);
}

void CPositionPad::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging) {
        // The pointer may leave the pad while the button is held; the marker stays on it.
        const QPoint pointer(std::clamp(event->position().toPoint().x(), 0, width() - 1),
                             std::clamp(event->position().toPoint().y(), 0, height() - 1));
        MoveMarker(pointer - QPoint(kDragOffset, kDragOffset));
        if (m_owner != nullptr) {
            m_owner->ApplyPadPosition(pointer.x() - 5, height() - pointer.y() - 6);
        }
    }
    CPadBase::mouseMoveEvent(event);
}

void CPositionPad::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && std::exchange(m_dragging, false)) {
        emit dragEnded();
    }
    CPadBase::mouseReleaseEvent(event);
}
