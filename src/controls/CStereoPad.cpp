#include "controls/CStereoPad.h"

#include "controls/CStereoPadOwner.h"
#include "controls/ControlResources.h"
#include "controls/StereoGeometry.h"

#include <QMouseEvent>
#include <QPainter>

CStereoPad::CStereoPad(QWidget* parent) : CPadBase(parent) {
    InitControlResources();
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
}

void CStereoPad::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        m_crossSprite.Contains(m_cross, event->position().toPoint())) {
        m_dragging = true;
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
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
    }
    CPadBase::mouseReleaseEvent(event);
}
