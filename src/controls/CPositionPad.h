// The source position pad: one red marker on a plain blue field, placed from the
// shown channel's X and Y (processor Y grows upward) and dragged by the operator; drags go
// to the owner in pad pixels.
#pragma once

#include "controls/CPadBase.h"

#include <QImage>
#include <QPoint>

class CPositionPadOwner;

class CPositionPad : public CPadBase {
    Q_OBJECT

public:
    static constexpr QRgb kBackground = 0xFF3A6EA5; // red 58, green 110, blue 165

    explicit CPositionPad(QWidget* parent = nullptr);

    void SetOwner(CPositionPadOwner* owner) { m_owner = owner; }

    // Processor orientation: y = 127 is the top edge.
    void SetFromValues(int x, int y);
    // Screen orientation: y = 0 is the top edge.
    void SetFromScreenValues(int x, int y);

    // A pad coordinate as a whole number, cut toward zero. Values far outside the pad (or
    // NaN) are held where the cut cannot overflow; callers clamp.
    static int WholeValue(double value);
    // A drag's pad pixel as a 0-127 value, before clamping.
    static int ValueFromPixels(double pixels) {
        return WholeValue((pixels + 8.0) * 127.0 * 0.0049504950495049506 - 1.0);
    }

    QPoint MarkerTopLeft() const { return m_markerTopLeft; }
    QSize MarkerSize() const { return m_marker.size(); }
    bool IsDragging() const { return m_dragging; }

protected:
    void ComposePicture(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Arrows move the marker one value, with Shift eight; Page Up and Down eight up or down.
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Moves the marker, composing only where it was and where it goes.
    void MoveMarker(QPoint topLeft);
    CPositionPadOwner* m_owner = nullptr;
    QImage m_marker;
    QImage m_background; // 32-bit field of the pad's size, every pixel kBackground
    QPoint m_markerTopLeft;
    bool m_dragging = false;
};
