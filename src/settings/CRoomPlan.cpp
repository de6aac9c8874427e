#include "settings/CRoomPlan.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMargin = 12;
constexpr double kTopMargin = 18;    // the strip's "Z" above it
constexpr double kBottomMargin = 28; // the room's side under the plan
constexpr double kStripWidth = 22;
constexpr double kStripGap = 14;
constexpr double kSpeakerSide = 14;
constexpr double kTagSide = 12; // a covered loudspeaker's number
constexpr double kMarkHeight = 5;
constexpr double kHitSlack = 3; // a press this close to a circle or mark still takes it

constexpr int kSlices = RoomPlanGeometry::kMaxValue + 1;

int SliceAt(double offset, double length) {
    if (length <= 0 || std::isnan(offset)) {
        return 0;
    }
    const double slice = std::floor(offset * kSlices / length);
    return static_cast<int>(std::clamp(slice, 0.0, double(RoomPlanGeometry::kMaxValue)));
}

QColor ColourOf(std::uint32_t rgb) {
    return QColor::fromRgb(static_cast<QRgb>(rgb));
}

// A silent source's colour: its own, faded most of the way into the plan's ground.
QColor Dimmed(const QColor& colour, const QColor& ground) {
    const auto mix = [](int a, int b) { return (a * 35 + b * 65) / 100; };
    return QColor(mix(colour.red(), ground.red()), mix(colour.green(), ground.green()),
                  mix(colour.blue(), ground.blue()));
}

// Black or white, whichever reads on `colour`.
QColor TextOn(const QColor& colour) {
    const double luma = 0.299 * colour.red() + 0.587 * colour.green() + 0.114 * colour.blue();
    return luma > 150 ? Qt::black : Qt::white;
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// What a reader hears of a source: an item of the plan, chosen or not, with its position as
// its value as well as its description.
class AccessibleSource : public QAccessibleWidget {
public:
    AccessibleSource(QWidget* source, const CRoomPlan& plan)
        : QAccessibleWidget(source, QAccessible::ListItem), m_plan(plan) {}

    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Value ? widget()->accessibleDescription()
                                          : QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = m_plan.SourceWidget(m_plan.Selected()) == widget();
        return state;
    }

private:
    const CRoomPlan& m_plan;
};

QAccessibleInterface* MakeAccessibleSource(const QString&, QObject* object) {
    const auto* plan =
        object->isWidgetType() ? qobject_cast<CRoomPlan*>(object->parent()) : nullptr;
    return plan ? new AccessibleSource(static_cast<QWidget*>(object), *plan) : nullptr;
}

} // namespace

RoomPlanGeometry RoomPlanGeometry::ForSize(QSize size) {
    const double across = size.width() - 2 * kMargin - kStripGap - kStripWidth;
    const double down = size.height() - kTopMargin - kBottomMargin;
    const double side = std::max(16.0, std::min(across, down));
    return {QRectF(kMargin, kTopMargin, side, side),
            QRectF(kMargin + side + kStripGap, kTopMargin, kStripWidth, side)};
}

QPointF RoomPlanGeometry::PointOf(int x, int y) const {
    return {m_plan.left() + (x + 0.5) * m_plan.width() / kSlices,
            m_plan.bottom() - (y + 0.5) * m_plan.height() / kSlices};
}

double RoomPlanGeometry::StripYOf(int z) const {
    return m_strip.bottom() - (z + 0.5) * m_strip.height() / kSlices;
}

int RoomPlanGeometry::XAt(double pixelX) const {
    return SliceAt(pixelX - m_plan.left(), m_plan.width());
}

int RoomPlanGeometry::YAt(double pixelY) const {
    return SliceAt(m_plan.bottom() - pixelY, m_plan.height());
}

int RoomPlanGeometry::ZAt(double pixelY) const {
    return SliceAt(m_strip.bottom() - pixelY, m_strip.height());
}

double RoomPlanGeometry::RadiusOf(int z) const {
    const double scale = 0.02 + 0.02 * std::clamp(z, 0, kMaxValue) / kMaxValue;
    return std::max(6.0, m_plan.width() * scale);
}

CRoomPlan::CRoomPlan(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("RoomPlan"));
    setAccessibleName(QStringLiteral("Room plan"));
    setAccessibleDescription(
        QStringLiteral("Keys 1 to 8 choose a source, arrows move it, Page Up and Down raise "
                       "and lower it"));
    setFocusPolicy(Qt::StrongFocus);
    static const bool accessible = [] {
        QAccessible::installFactory(MakeAccessibleSource);
        return true;
    }();
    static_cast<void>(accessible);
    for (std::size_t c = 0; c < m_sourceWidgets.size(); ++c) {
        auto* source = new QWidget(this);
        source->setObjectName(QStringLiteral("Source%1").arg(c + 1));
        source->setAccessibleName(QStringLiteral("Source %1").arg(c + 1));
        // The plan takes the presses; the stand-in only holds the focus a reader follows.
        source->setAttribute(Qt::WA_TransparentForMouseEvents);
        source->setFocusPolicy(Qt::NoFocus);
        source->installEventFilter(this);
        m_sourceWidgets[c] = source;
    }
    setFocusProxy(m_sourceWidgets[0]);
    m_geometry = RoomPlanGeometry::ForSize(size());
}

void CRoomPlan::SetPicture(const RoomPicture& picture) {
    if (picture == m_picture) {
        return;
    }
    m_picture = picture;
    for (std::size_t c = 0; c < m_sourceWidgets.size(); ++c) {
        const QString description = Text(m_picture.sources[c].positionText);
        if (m_sourceWidgets[c]->accessibleDescription() != description) {
            m_sourceWidgets[c]->setAccessibleDescription(description); // tells the reader
        }
    }
    PlaceSourceWidgets();
    Stale();
}

void CRoomPlan::SetSelected(int channel) {
    channel = std::clamp(channel, 0, 7);
    if (channel == m_selected) {
        return;
    }
    const bool focused = hasFocus();
    m_selected = channel;
    QWidget* source = m_sourceWidgets[std::size_t(channel)];
    setFocusProxy(source);
    if (focused) {
        source->setFocus(Qt::OtherFocusReason); // the reader hears the new source
    } else {
        QAccessibleEvent chosen(source, QAccessible::Selection);
        QAccessible::updateAccessibility(&chosen);
    }
    Stale();
    emit selectedChanged(channel);
}

std::array<int, 8> CRoomPlan::PaintOrder() const {
    std::array<int, 8> order{};
    std::size_t at = 0;
    for (int c = 0; c < 8; ++c) {
        if (c != m_selected) {
            order[at++] = c;
        }
    }
    order[at] = m_selected;
    return order;
}

std::optional<int> CRoomPlan::SourceAt(QPointF point) const {
    const std::array<int, 8> order = PaintOrder();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const RoomPoint& p = m_picture.sources[std::size_t(*it)].position;
        const QPointF d = point - m_geometry.PointOf(p.x, p.y);
        if (std::hypot(d.x(), d.y()) <= m_geometry.RadiusOf(p.z) + kHitSlack) {
            return *it;
        }
    }
    return std::nullopt;
}

std::optional<int> CRoomPlan::HeightMarkAt(QPointF point) const {
    const QRectF& strip = m_geometry.Strip();
    if (point.x() < strip.left() - kHitSlack || point.x() > strip.right() + kHitSlack) {
        return std::nullopt;
    }
    const std::array<int, 8> order = PaintOrder();
    std::optional<int> nearest;
    double best = kMarkHeight / 2 + kHitSlack;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        const double distance = std::abs(
            point.y() - m_geometry.StripYOf(m_picture.sources[std::size_t(*it)].position.z));
        if (distance < best) {
            best = distance;
            nearest = *it;
        }
    }
    return nearest;
}

void CRoomPlan::PlaceSourceWidgets() {
    for (std::size_t c = 0; c < m_sourceWidgets.size(); ++c) {
        const RoomPoint& p = m_picture.sources[c].position;
        const double r = m_geometry.RadiusOf(p.z);
        const QPointF centre = m_geometry.PointOf(p.x, p.y);
        m_sourceWidgets[c]->setGeometry(
            QRectF(centre - QPointF(r, r), QSizeF(2 * r, 2 * r)).toAlignedRect());
    }
}

void CRoomPlan::Stale() {
    m_stale = true;
    update();
}

void CRoomPlan::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_geometry = RoomPlanGeometry::ForSize(size());
    PlaceSourceWidgets();
    Stale();
}

void CRoomPlan::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange ||
        event->type() == QEvent::StyleChange) {
        Stale();
    }
}

bool CRoomPlan::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        Stale(); // the focus ring
    }
    return QWidget::eventFilter(watched, event);
}

void CRoomPlan::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_stale || m_composed.size() != pixels) {
        m_composed = QPixmap(pixels);
        m_composed.setDevicePixelRatio(ratio);
        m_composed.fill(palette().color(QPalette::Window));
        QPainter painter(&m_composed);
        painter.setRenderHint(QPainter::Antialiasing);
        Compose(painter);
        m_stale = false;
    }
    QPainter(this).drawPixmap(0, 0, m_composed);
}

void CRoomPlan::Compose(QPainter& painter) const {
    const QPalette& colours = palette();
    const QRectF& plan = m_geometry.Plan();
    const QRectF& strip = m_geometry.Strip();
    const QColor ground = colours.color(QPalette::Base);
    const QColor text = colours.color(QPalette::WindowText);

    // The floor, in quarters.
    painter.fillRect(plan, ground);
    painter.setPen(QPen(colours.color(QPalette::Midlight), 1));
    for (int i = 1; i < 4; ++i) {
        const double x = plan.left() + plan.width() * i / 4;
        const double y = plan.top() + plan.height() * i / 4;
        painter.drawLine(QPointF(x, plan.top()), QPointF(x, plan.bottom()));
        painter.drawLine(QPointF(plan.left(), y), QPointF(plan.right(), y));
    }
    painter.setPen(QPen(colours.color(QPalette::Dark), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plan);

    // The room's side, as a measure under the plan.
    painter.setFont(font());
    const QString side = Text(m_picture.roomSideText);
    const double measureY = plan.bottom() + kBottomMargin / 2;
    const double textWidth = painter.fontMetrics().horizontalAdvance(side) + 12;
    painter.setPen(QPen(text, 1));
    const double centre = plan.center().x();
    painter.drawLine(QPointF(plan.left(), measureY), QPointF(centre - textWidth / 2, measureY));
    painter.drawLine(QPointF(centre + textWidth / 2, measureY), QPointF(plan.right(), measureY));
    for (const double x : {plan.left(), plan.right()}) {
        painter.drawLine(QPointF(x, measureY - 4), QPointF(x, measureY + 4));
    }
    painter.drawText(QRectF(centre - textWidth / 2, plan.bottom(), textWidth, kBottomMargin),
                     Qt::AlignCenter, side);

    // The loudspeakers, numbered squares under the sources.
    QFont numbers = font();
    numbers.setPixelSize(9);
    painter.setFont(numbers);
    const auto speakerBox = [&](const QRectF& box, int number) {
        painter.setPen(QPen(colours.color(QPalette::Shadow), 1));
        painter.setBrush(colours.color(QPalette::Button));
        painter.drawRect(box);
        painter.setPen(colours.color(QPalette::ButtonText));
        painter.drawText(box, Qt::AlignCenter, QString::number(number));
    };
    for (const RoomSpeaker& speaker : m_picture.speakers) {
        const QPointF at = m_geometry.PointOf(speaker.position.x, speaker.position.y);
        speakerBox(QRectF(at - QPointF(kSpeakerSide / 2, kSpeakerSide / 2),
                          QSizeF(kSpeakerSide, kSpeakerSide)),
                   speaker.number);
    }

    // The height strip.
    painter.fillRect(strip, ground);
    painter.setPen(QPen(colours.color(QPalette::Dark), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(strip);
    painter.setFont(font());
    painter.setPen(text);
    painter.drawText(QRectF(strip.left(), 0, strip.width(), kTopMargin), Qt::AlignCenter,
                     QStringLiteral("Z"));

    const bool focused = hasFocus();
    const std::array<int, 8> order = PaintOrder();
    QFont label = font();
    label.setBold(true);
    for (const int c : order) {
        const RoomSource& source = m_picture.sources[std::size_t(c)];
        const bool selected = c == m_selected;
        const QColor own = ColourOf(source.colour);
        const QColor fill = source.silent ? Dimmed(own, ground) : own;

        const QRectF mark(strip.left() + 2,
                          m_geometry.StripYOf(source.position.z) - kMarkHeight / 2,
                          strip.width() - 4, kMarkHeight);
        painter.setPen(selected ? QPen(text, 1.5) : QPen(fill.darker(140), 1));
        painter.setBrush(fill);
        painter.drawRect(mark);

        const double r = m_geometry.RadiusOf(source.position.z);
        const QPointF at = m_geometry.PointOf(source.position.x, source.position.y);
        painter.setPen(QPen(fill.darker(150), 1));
        painter.setBrush(fill);
        painter.drawEllipse(at, r, r);
        if (selected) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(text, 2));
            painter.drawEllipse(at, r + 3, r + 3);
            if (focused) {
                // Black and white dashes read on any ground.
                QPen dashes(Qt::white, 1, Qt::DashLine);
                painter.setPen(dashes);
                painter.drawEllipse(at, r + 6, r + 6);
                dashes.setColor(Qt::black);
                dashes.setDashOffset(3);
                painter.setPen(dashes);
                painter.drawEllipse(at, r + 6, r + 6);
            }
        }
        label.setPixelSize(std::max(8, static_cast<int>(r * 1.1)));
        painter.setFont(label);
        painter.setPen(TextOn(fill));
        painter.drawText(QRectF(at - QPointF(r, r), QSizeF(2 * r, 2 * r)), Qt::AlignCenter,
                         QString::number(source.number));
    }

    // Sources standing on one spot show as the one on top; the numbers under it say which
    // others are there.
    painter.setFont(numbers);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const RoomPoint& top = m_picture.sources[std::size_t(order[i])].position;
        const QPointF at = m_geometry.PointOf(top.x, top.y);
        QStringList under;
        bool covered = false;
        for (std::size_t j = 0; j < order.size(); ++j) {
            const RoomSource& other = m_picture.sources[std::size_t(order[j])];
            const QPointF d = at - m_geometry.PointOf(other.position.x, other.position.y);
            if (j != i && std::abs(d.x()) < 1 && std::abs(d.y()) < 1) {
                covered = covered || j > i;
                under << QString::number(other.number);
            }
        }
        if (!covered && !under.isEmpty()) {
            under.sort();
            const double r = m_geometry.RadiusOf(top.z);
            painter.setPen(text);
            painter.drawText(QRectF(at.x() - 40, at.y() + r + 1, 80, 12),
                             Qt::AlignHCenter | Qt::AlignTop,
                             QStringLiteral("+") + under.join(QLatin1Char(' ')));
        }
    }

    // A loudspeaker where a source stands shows its number on a tag at the source's edge.
    for (const RoomSpeaker& speaker : m_picture.speakers) {
        const QPointF at = m_geometry.PointOf(speaker.position.x, speaker.position.y);
        double cover = 0;
        for (const RoomSource& source : m_picture.sources) {
            const QPointF d = at - m_geometry.PointOf(source.position.x, source.position.y);
            const double r = m_geometry.RadiusOf(source.position.z);
            if (std::hypot(d.x(), d.y()) < r) {
                cover = std::max(cover, r);
            }
        }
        if (cover > 0) {
            const double reach = cover * 0.7;
            speakerBox(QRectF(at.x() + reach, at.y() - reach - kTagSide, kTagSide, kTagSide),
                       speaker.number);
        }
    }
}

void CRoomPlan::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_drag) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPointF at = event->position();
    Drag drag{};
    if (const std::optional<int> marked = HeightMarkAt(at)) {
        const RoomPoint& p = m_picture.sources[std::size_t(*marked)].position;
        drag = {*marked, DragKind::Height, QPointF(0, m_geometry.StripYOf(p.z) - at.y()), p};
    } else if (const std::optional<int> hit = SourceAt(at)) {
        const RoomPoint& p = m_picture.sources[std::size_t(*hit)].position;
        drag = {*hit, DragKind::Plan, m_geometry.PointOf(p.x, p.y) - at, p};
    } else {
        setFocus(Qt::MouseFocusReason);
        return;
    }
    SetSelected(drag.channel);
    setFocus(Qt::MouseFocusReason);
    m_drag = drag;
    emit dragStarted();
}

void CRoomPlan::mouseMoveEvent(QMouseEvent* event) {
    if (!m_drag) {
        return;
    }
    const QPointF at = event->position() + m_drag->grab;
    // The axes not dragged stay where the picture has them, moved meanwhile or not.
    RoomPoint moved = m_picture.sources[std::size_t(m_drag->channel)].position;
    if (m_drag->kind == DragKind::Plan) {
        moved.x = m_geometry.XAt(at.x());
        moved.y = m_geometry.YAt(at.y());
    } else {
        moved.z = m_geometry.ZAt(at.y());
    }
    if (moved != m_drag->last) {
        m_drag->last = moved;
        emit sourceDragged(m_drag->channel, moved);
    }
}

void CRoomPlan::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_drag || event->button() != Qt::LeftButton) {
        return;
    }
    mouseMoveEvent(event);
    m_drag.reset();
    emit dragEnded();
}

void CRoomPlan::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key >= Qt::Key_1 && key <= Qt::Key_8 &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        SetSelected(key - Qt::Key_1);
        return;
    }
    if (m_drag) {
        event->accept(); // a key while dragging would split the drag's step
        return;
    }
    const int step = event->modifiers() & Qt::ShiftModifier ? 8 : 1;
    int dx = 0;
    int dy = 0;
    int dz = 0;
    switch (key) {
    case Qt::Key_Left:
        dx = -step;
        break;
    case Qt::Key_Right:
        dx = step;
        break;
    case Qt::Key_Up:
        dy = step;
        break;
    case Qt::Key_Down:
        dy = -step;
        break;
    case Qt::Key_PageUp:
        dz = step;
        break;
    case Qt::Key_PageDown:
        dz = -step;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    emit sourceStepped(m_selected, dx, dy, dz);
}
