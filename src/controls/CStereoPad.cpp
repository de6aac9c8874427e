#include "controls/CStereoPad.h"

#include "controls/CStereoPadOwner.h"
#include "controls/ControlResources.h"
#include "controls/StereoGeometry.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <utility>

CStereoPad::CStereoPad(QWidget* parent) : CPadBase(parent) {
    InitControlResources();
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Stereo Source Position"));
    m_background = LoadBitmap(BitmapId::PadBackground);
    m_crossSprite = CTransparentSprite::FromResource(static_cast<int>(BitmapId::Cross));
    m_firstSprite = CTransparentSprite::FromResource(static_cast<int>(BitmapId::LeftBall));
    m_secondSprite = CTransparentSprite::FromResource(static_cast<int>(BitmapId::RightBall));
}

void CStereoPad::Recompute() {
    if (const auto placement = PlaceFromSliders()) {
        m_owner->UpdatePositions(placement->values);
    }
}

void CStereoPad::ShowPlacement() {
    PlaceFromSliders();
}

std::optional<StereoPlacement> CStereoPad::PlaceFromSliders() {
    if (m_owner == nullptr) {
        return std::nullopt;
    }
    const StereoSliders sliders = m_owner->Sliders();
    const StereoPlacement placement =
        StereoGeometry::Place(width(), sliders.angle, sliders.width, sliders.focus);
    Apply(placement);
    return placement;
}

void CStereoPad::Apply(const StereoPlacement& placement) {
    m_first = placement.first;
    m_second = placement.second;
    m_cross = placement.cross;
    m_attached = true;
    Compose();
}

void CStereoPad::resizeEvent(QResizeEvent* event) {
    // Until the pair is first placed, the cross waits at the centre.
    if (!m_attached) {
        m_attached = true;
        const QSize cross = m_crossSprite.Size();
        m_cross = QPoint(width() / 2 - cross.width() / 2, height() / 2 - cross.height() / 2);
    }
    CPadBase::resizeEvent(event);
}

void CStereoPad::ComposePicture(QPainter& painter) {
    painter.fillRect(rect(), Qt::black);
    painter.drawImage(0, 0, m_background);
    m_crossSprite.Draw(painter, m_cross);
    m_firstSprite.Draw(painter, m_first);
    m_secondSprite.Draw(painter, m_second);
    if (hasFocus()) {
        const QRect around = QRect(m_cross, m_crossSprite.Size()).adjusted(-2, -2, 1, 1);
        DrawFocusFrame(painter, around);
    }
}

void CStereoPad::keyPressEvent(QKeyEvent* event) {
    const std::optional<QPoint> step = KeyStep(*event);
    if (!step) {
        CPadBase::keyPressEvent(event);
        return;
    }
    // Position values to pixels, screen y downward: at least one pixel a press.
    const auto pixels = [this](int values) {
        return values == 0
                   ? 0
                   : (values > 0 ? 1 : -1) * std::max(1, (width() * std::abs(values) + 63) / 127);
    };
    const QPoint move(pixels(step->x()), -pixels(step->y()));
    if (m_owner == nullptr) {
        return;
    }
    const QSize cross = m_crossSprite.Size();
    const QPoint centre = m_cross + QPoint(cross.width() / 2, cross.height() / 2);
    const auto drag = StereoGeometry::Drag(size(), centre + move, m_owner->Sliders().width);
    if (drag) { // outside the pad's circle the cross stays, as it does for the pointer
        Apply(drag->placement);
        m_owner->CrossStepped(drag->angle, drag->focus, drag->placement.values);
    }
}

void CStereoPad::focusInEvent(QFocusEvent* event) {
    CPadBase::focusInEvent(event);
    Compose();
}

void CStereoPad::focusOutEvent(QFocusEvent* event) {
    CPadBase::focusOutEvent(event);
    Compose();
}

void CStereoPad::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        m_crossSprite.Contains(m_cross, event->position().toPoint())) {
        m_dragging = true;
        emit dragStarted();
    }
    CPadBase::mousePressEvent(event);
}

void CStereoPad::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && m_owner != nullptr) {
        const auto drag =
            StereoGeometry::Drag(size(), event->position().toPoint(), m_owner->Sliders().width);
        if (drag) {
            Apply(drag->placement);
            m_owner->SetAngleAndFocus(drag->angle, drag->focus);
            m_owner->UpdatePositions(drag->placement.values);
        }
    }
    CPadBase::mouseMoveEvent(event);
}

void CStereoPad::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && std::exchange(m_dragging, false)) {
        emit dragEnded();
    }
    CPadBase::mouseReleaseEvent(event);
}
