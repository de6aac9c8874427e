// The room seen from above: the eight sources as numbered circles in their channels' colours
// (dimmed while silent, larger the higher they are), the loudspeakers in use as numbered
// squares, the room's side under the plan, and beside it a narrow strip with each source's
// height as a mark. It paints the room's picture it is given and nothing else; what the
// operator does with the mouse and keys goes out as signals, for the window to apply.
// Each source is also a small child widget, named "Source N" and described by its position,
// so that assistive technology reads the sources one by one and hears which is selected.
#pragma once

#include "model/RoomPicture.h"

#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QWidget>

#include <array>
#include <optional>

// Where room values fall on the plan and back. The plan is a square with x growing to the
// right and y upward, as on the main window's pad; the strip beside it holds z upward. Each
// value owns an equal slice of its axis and sits in its middle, so a value's pixel reads back
// as the value; a pixel outside the plan reads as the nearest edge's value.
class RoomPlanGeometry {
public:
    static constexpr int kMaxValue = 127;

    RoomPlanGeometry() = default;
    RoomPlanGeometry(const QRectF& plan, const QRectF& strip) : m_plan(plan), m_strip(strip) {}
    // The layout of a plan widget of `size`: margins for the texts, the plan as large a square
    // as fits, the strip to its right.
    static RoomPlanGeometry ForSize(QSize size);

    const QRectF& Plan() const { return m_plan; }
    const QRectF& Strip() const { return m_strip; }

    QPointF PointOf(int x, int y) const;
    double StripYOf(int z) const;
    int XAt(double pixelX) const;
    int YAt(double pixelY) const;
    int ZAt(double pixelY) const;
    // A source's radius at height `z`: higher sources look nearer, so larger.
    double RadiusOf(int z) const;

private:
    QRectF m_plan;
    QRectF m_strip;
};

class CRoomPlan : public QWidget {
    Q_OBJECT

public:
    explicit CRoomPlan(QWidget* parent = nullptr);

    // The room to show; repainted only when it differs from what is shown.
    void SetPicture(const RoomPicture& picture);
    const RoomPicture& Picture() const { return m_picture; }

    // The source the keys move (0-7); the accessible focus follows it while the plan has focus.
    void SetSelected(int channel);
    int Selected() const { return m_selected; }

    const RoomPlanGeometry& Geometry() const { return m_geometry; }
    // The accessible stand-in of a source (0-7).
    QWidget* SourceWidget(int channel) const { return m_sourceWidgets[std::size_t(channel)]; }

    QSize sizeHint() const override { return {440, 400}; }
    QSize minimumSizeHint() const override { return {240, 200}; }

signals:
    void selectedChanged(int channel);
    // A press on a source or its height mark began a drag, its release ended it; what moves
    // in between is one gesture.
    void dragStarted();
    void dragEnded();
    // A drag moved `channel`'s source to `position` (z kept in a plan drag, x and y in a
    // strip drag).
    void sourceDragged(int channel, RoomPoint position);
    // A key asks to move the source by these steps (y and z upward).
    void sourceStepped(int channel, int dx, int dy, int dz);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class DragKind { Plan, Height };
    struct Drag {
        int channel;
        DragKind kind;
        QPointF grab; // from the press to the source's own point, so it does not jump
        RoomPoint last;
    };

    // Which source a press at `point` takes, the one drawn on top first.
    std::optional<int> SourceAt(QPointF point) const;
    std::optional<int> HeightMarkAt(QPointF point) const;
    // The sources in the order they are drawn: the selected one last, on top.
    std::array<int, 8> PaintOrder() const;
    void PlaceSourceWidgets();
    void Compose(QPainter& painter) const;
    void Stale();

    RoomPicture m_picture;
    RoomPlanGeometry m_geometry;
    std::array<QWidget*, 8> m_sourceWidgets{};
    int m_selected = 0;
    std::optional<Drag> m_drag;
    QPixmap m_composed;
    bool m_stale = true;
};
