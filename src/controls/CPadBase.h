// Common machinery of the position pads: the whole picture is composed off-screen
// by the subclass and copied to the screen in one block, with no background erase
// in between, so dragging never flickers.
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include <optional>

class QKeyEvent;

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

    // The move a key asks of a pad, in position values with y upward: the arrows one, with
    // Shift eight, Page Up and Down eight up or down; nothing for other keys.
    static std::optional<QPoint> KeyStep(const QKeyEvent& event);
    // A focus frame of black and white dashes, seen on any field and in any palette.
    static void DrawFocusFrame(QPainter& painter, const QRect& frame);

protected:
    virtual void ComposePicture(QPainter& painter) = 0;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QPixmap m_picture;
};
