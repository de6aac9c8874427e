// Common machinery of the position pads: the whole picture is composed off-screen
// by the subclass and copied to the screen in one block, with no background erase
// in between, so dragging never flickers.
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QRegion>
#include <QWidget>

#include <optional>

class QKeyEvent;

class CPadBase : public QWidget {
    Q_OBJECT

public:
    explicit CPadBase(QWidget* parent = nullptr);

    // The pad's state changed: the off-screen picture is rebuilt when next painted, once
    // however many changes came in between (a stream of positions paints once a frame).
    void Compose();
    // Only `changed` of the pad changed (a marker moved): only that is composed and painted.
    void Compose(const QRegion& changed);

    // The picture of the pad's present state, at the widget's device pixel ratio.
    const QPixmap& Picture();

    // Whether a press at `point` hits a sprite's rectangle, right and bottom edges included.
    static bool SpriteHit(QPoint topLeft, QSize size, QPoint point);

    // The move a key asks of a pad, in position values with y upward: the arrows one, with
    // Shift eight, Page Up and Down eight up or down; nothing for other keys.
    static std::optional<QPoint> KeyStep(const QKeyEvent& event);
    // A focus frame of black and white dashes, seen on any field and in any palette.
    static void DrawFocusFrame(QPainter& painter, const QRect& frame);

signals:
    // A drag began with a press on what the pad lets the pointer move, and ended with its
    // release; what the owner is told in between is one gesture.
    void dragStarted();
    void dragEnded();

protected:
    virtual void ComposePicture(QPainter& painter) = 0;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ComposeNow();

    QPixmap m_picture;
    QRegion m_stale; // what the picture does not show yet
};
