// The stereo source pad: a top view of the room with the centre cross of a stereo source
// and its two channels' dots ("L" and "R") placed around it. Dragging the cross moves the
// source; the owner is told the new Angle, Focus and channel positions.
#pragma once

#include "controls/CPadBase.h"
#include "controls/CTransparentSprite.h"
#include "controls/StereoGeometry.h"

#include <optional>

class CStereoPadOwner;

class CStereoPad : public CPadBase {
    Q_OBJECT

public:
    explicit CStereoPad(QWidget* parent = nullptr);

    void SetOwner(CStereoPadOwner* owner) { m_owner = owner; }

    // Places the pair from the owner's sliders and hands its positions to the owner.
    void Recompute();
    // The same placement, shown only.
    void ShowPlacement();

    QPoint CrossTopLeft() const { return m_cross; }
    QPoint FirstTopLeft() const { return m_first; }
    QPoint SecondTopLeft() const { return m_second; }
    bool IsDragging() const { return m_dragging; }

protected:
    void ComposePicture(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Arrows move the cross about one position value, with Shift or Page Up and Down eight.
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::optional<StereoPlacement> PlaceFromSliders();
    void Apply(const StereoPlacement& placement);

    CStereoPadOwner* m_owner = nullptr;
    QImage m_background;
    CTransparentSprite m_crossSprite;
    CTransparentSprite m_firstSprite;
    CTransparentSprite m_secondSprite;
    QPoint m_cross;
    QPoint m_first{100, 100};
    QPoint m_second{200, 200};
    bool m_dragging = false;
    bool m_attached = false;
};
