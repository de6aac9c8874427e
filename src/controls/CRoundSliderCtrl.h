// Rotary knob: a slider whose value follows the pointer's angle around the centre
// over 270 degrees of travel, clipped to a circle and drawn as a shaded dial with a
// sunken marker. It keeps QAbstractSlider's range, value, single step (line size)
// and page step, and reports every change to its owner through `scrolled`, like a
// horizontal trackbar.
#pragma once

#include "controls/ScrollCode.h"

#include <QAbstractSlider>
#include <QPixmap>
#include <QString>

class CRoundSliderCtrl : public QAbstractSlider {
    Q_OBJECT

public:
    explicit CRoundSliderCtrl(QWidget* parent = nullptr);

    // The label format takes the position as a long, printf-style, with exactly one
    // integer conversion (%ld, %d, %i with flags and width); anything else is
    // refused and the previous format stays.
    bool SetTextFormat(const QString& format);
    QString GetTextFormat() const { return m_textFormat; }
    QString MakeLabelText() const;

    void SetMarkerRadius(int radius);
    int GetMarkerRadius() const { return m_markerRadius; }

    // Angle, clockwise from 12 o'clock in degrees, at which the range minimum lies.
    void SetZeroAngle(int degrees);
    int GetZeroAngle() const { return m_zeroAngle; }

    // An inverted knob turns counter-clockwise.
    void SetInverted(bool inverted);
    bool GetInverted() const { return m_inverted; }

    // Makes the dial the top-left square of the widget, clips the widget to its
    // circle and sets the position to the minimum.
    void RecomputeGeometry();

    // Returns whether the position changed.
    bool SetPositionFromPoint(QPoint point);

    QPoint Centre() const { return m_centre; }
    int DialRadius() const { return m_dialRadius; }
    // Centre of the marker for the current position.
    QPoint MarkerCentre() const;

signals:
    void scrolled(ScrollCode code, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void UpdateGeometry();
    void NotifyParent(ScrollCode code);
    void StepBy(int step, ScrollCode code);
    int ValueFromPoint(QPoint point) const;
    void RenderDial();
    void Compose(QPainter& painter) const;
    void DrawLabel(QPainter& painter) const;

    QPoint m_centre;
    int m_dialRadius = 0;
    int m_zeroAngle = 0;
    bool m_inverted = false;
    QString m_textFormat = QStringLiteral("%ld");
    int m_markerRadius = 3;
    bool m_dragging = false;
    bool m_dragChanged = false;
    int m_wheelRemainder = 0; // eighths of a degree short of a whole notch
    QPixmap m_dial;           // face, ring and dial marks; redrawn when size or palette change
};
