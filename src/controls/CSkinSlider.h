// A linear slider with a self-drawn channel, selection and thumb. Its value is the
// operator's value: 127 at the top of a vertical slider and at the left end of a
// horizontal one, so the track position (counted from the top or left) is
// 127 - value for the usual range 0-127. Every step, drag and release is reported
// to the owner through `scrolled` with the value after the change. The keys move the
// thumb the way they point; the page step is a fifth of the range.
#pragma once

#include "controls/ScrollCode.h"

#include <QColor>
#include <QSlider>

struct SkinSliderTones {
    QColor lighter51;
    QColor lighter102;
    QColor darker51;
    QColor darker102;
};

class CSkinSlider : public QSlider {
    Q_OBJECT

public:
    explicit CSkinSlider(Qt::Orientation orientation, QWidget* parent = nullptr);

    // Sets the value; the slider redraws only when it moved.
    void SetValue(int value);
    int GetValue() const { return value(); }
    // Track position counted from the top (vertical) or left (horizontal) end.
    int TrackPosition() const { return minimum() + maximum() - value(); }

    void SetThumbColour(const QColor& colour);
    void SetSelectionColour(const QColor& colour);
    void SetChannelColour(const QColor& colour);
    QColor ThumbColour() const { return m_thumbColour; }
    QColor SelectionColour() const { return m_selectionColour; }
    QColor ChannelColour() const { return m_channelColour; }
    const SkinSliderTones& ThumbTones() const { return m_tones; }

    // Values from..to shown filled in the channel; an empty range clears it.
    void SetSelection(int from, int to);
    void ClearSelection() { SetSelection(1, 0); }

signals:
    void scrolled(ScrollCode code, int value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void sliderChange(SliderChange change) override;

private:
    void OnActionTriggered(int action);
    void DeriveTones();
    QRect ChannelRect(const QRect& groove, const QRect& handle) const;
    void DrawChannel(QPainter& painter, const QRect& channel) const;
    void DrawSelection(QPainter& painter, const QRect& channel) const;
    void DrawThumb(QPainter& painter, const QRect& handle) const;

    QColor m_thumbColour;
    QColor m_channelColour;
    QColor m_selectionColour;
    SkinSliderTones m_tones;
    int m_selectionFrom = 1;
    int m_selectionTo = 0;
    bool m_wheeling = false;
};
