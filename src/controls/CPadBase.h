// Common machinery of the position pads: the whole picture is composed off-screen
// by the subclass and copied to the screen in one block, with no background erase
// in between, so dragging never flickers.
#pragma once

#include <QPixmap>
#include <QWidget>

class CPadBase : public QWidget {
    Q_OBJECT

public:
    explicit CPadBase(QWidget* parent = nullptr);

    // Rebuilds the off-screen picture from the pad's state and schedules a repaint.
    void Compose();

    // The last composed picture, at the widget's device pixel ratio.
    const QPixmap& Picture() const { return m_picture; }

    // Whether a press at `point` hits a sprite's rectangle, right and bottom edges included.
    static bool SpriteHit(QPoint topLeft, QSize size, QPoint point);

protected:
    virtual void ComposePicture(QPainter& painter) = 0;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPixmap m_picture;
};
