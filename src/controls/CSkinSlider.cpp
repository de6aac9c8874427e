#include "controls/CSkinSlider.h"

#include "controls/SkinColours.h"
#include "controls/SystemColours.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>
#include <QWheelEvent>

#include <algorithm>
#include <optional>

namespace {

constexpr int kToneStep = 51;
constexpr int kChannelThickness = 4;

ScrollCode CodeForAction(int action) {
    // Adding to the value moves the thumb towards the top (or left) end.
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        return ScrollCode::LineUp;
    case QAbstractSlider::SliderSingleStepSub:
        return ScrollCode::LineDown;
    case QAbstractSlider::SliderPageStepAdd:
        return ScrollCode::PageUp;
    case QAbstractSlider::SliderPageStepSub:
        return ScrollCode::PageDown;
    case QAbstractSlider::SliderToMaximum:
        return ScrollCode::Top;
    case QAbstractSlider::SliderToMinimum:
        return ScrollCode::Bottom;
    default:
        return ScrollCode::ThumbTrack;
    }
}

bool IsNavigationKey(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

// The keys move the thumb the way they point, and the top (or left) end holds the highest
// value: Up and Left step up, Home goes to the top, as on the platform's trackbar.
std::optional<QAbstractSlider::SliderAction> ActionForKey(int key) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        return QAbstractSlider::SliderSingleStepAdd;
    case Qt::Key_Down:
    case Qt::Key_Right:
        return QAbstractSlider::SliderSingleStepSub;
    case Qt::Key_PageUp:
        return QAbstractSlider::SliderPageStepAdd;
    case Qt::Key_PageDown:
        return QAbstractSlider::SliderPageStepSub;
    case Qt::Key_Home:
        return QAbstractSlider::SliderToMaximum;
    case Qt::Key_End:
        return QAbstractSlider::SliderToMinimum;
    default:
        return std::nullopt;
    }
}

} // namespace

CSkinSlider::CSkinSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
    setInvertedAppearance(orientation == Qt::Horizontal);
    const QPalette& p = palette();
    m_thumbColour = SystemColours::ButtonFace(p);
    m_channelColour = SystemColours::Window(p);
    m_selectionColour = SystemColours::Highlight(p);
    DeriveTones();
    setPageStep(std::max(1, (maximum() - minimum()) / 5));
    connect(this, &QAbstractSlider::actionTriggered, this, &CSkinSlider::OnActionTriggered);
}

void CSkinSlider::SetValue(int value) {
    // The base class repaints a value that moved; the same value again costs nothing.
    setValue(value);
}

void CSkinSlider::SetThumbColour(const QColor& colour) {
    m_thumbColour = colour;
    DeriveTones();
    update();
}

void CSkinSlider::SetSelectionColour(const QColor& colour) {
    m_selectionColour = colour;
    DeriveTones();
    update();
}

void CSkinSlider::SetChannelColour(const QColor& colour) {
    m_channelColour = colour;
    DeriveTones();
}

void CSkinSlider::SetSelection(int from, int to) {
    m_selectionFrom = from;
    m_selectionTo = to;
    update();
}

void CSkinSlider::DeriveTones() {
    m_tones = {SkinColours::Lighter(m_thumbColour, kToneStep),
               SkinColours::Lighter(m_thumbColour, 2 * kToneStep),
               SkinColours::Darker(m_thumbColour, kToneStep),
               SkinColours::Darker(m_thumbColour, 2 * kToneStep)};
}

void CSkinSlider::OnActionTriggered(int action) {
    // The action has moved the slider position but not yet the value; settle it so
    // the owner reads the new value whether from the signal or from the slider.
    const int before = value();
    setValue(sliderPosition());
    ScrollCode code = CodeForAction(action);
    if (action == SliderMove && m_wheeling) {
        // A wheel notch is a line step, as on the knobs, not the start of a thumb drag.
        code = value() >= before ? ScrollCode::LineUp : ScrollCode::LineDown;
    }
    emit scrolled(code, value());
}

void CSkinSlider::wheelEvent(QWheelEvent* event) {
    m_wheeling = true;
    QSlider::wheelEvent(event);
    m_wheeling = false;
}

void CSkinSlider::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasDragging = isSliderDown();
    QSlider::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (wasDragging) {
        emit scrolled(ScrollCode::ThumbPosition, value());
    }
    emit scrolled(ScrollCode::EndTrack, value());
}

void CSkinSlider::keyPressEvent(QKeyEvent* event) {
    const auto action = ActionForKey(event->key());
    if (!action) {
        QSlider::keyPressEvent(event);
        return;
    }
    triggerAction(*action);
    event->accept();
}

void CSkinSlider::sliderChange(SliderChange change) {
    if (change == SliderRangeChange) {
        // The trackbar's page is a fifth of its range.
        setPageStep(std::max(1, (maximum() - minimum()) / 5));
    }
    QSlider::sliderChange(change);
}

void CSkinSlider::keyReleaseEvent(QKeyEvent* event) {
    if (IsNavigationKey(event->key()) && !event->isAutoRepeat()) {
        emit scrolled(ScrollCode::EndTrack, value());
        return;
    }
    QSlider::keyReleaseEvent(event);
}

QRect CSkinSlider::ChannelRect(const QRect& groove, const QRect& handle) const {
    if (orientation() == Qt::Vertical) {
        const int travelStart = groove.top() + handle.height() / 2;
        const int travel = groove.height() - handle.height();
        return {handle.center().x() - kChannelThickness / 2, travelStart - 2, kChannelThickness,
                travel + 4};
    }
    const int travelStart = groove.left() + handle.width() / 2;
    const int travel = groove.width() - handle.width();
    return {travelStart - 2, handle.center().y() - kChannelThickness / 2, travel + 4,
            kChannelThickness};
}

void CSkinSlider::DrawChannel(QPainter& painter, const QRect& channel) const {
    const QPalette& p = palette();
    const QColor face = SystemColours::ButtonFace(p);
    const QColor shadow = SystemColours::ButtonShadow(p);
    painter.setPen(SkinColours::HalfWay(shadow, SystemColours::DarkShadow3D(p)));
    painter.setBrush(isEnabled() ? m_channelColour : face);
    painter.drawRoundedRect(channel.adjusted(0, 0, -1, -1), 1, 1);
    const QRect inner = channel.adjusted(1, 1, -2, -2);
    painter.setPen(SkinColours::HalfWay(face, shadow));
    painter.drawLine(inner.topLeft(), inner.topRight());
    painter.drawLine(inner.topLeft(), inner.bottomLeft());
    painter.setPen(SystemColours::ButtonHighlight(p));
    painter.drawLine(inner.bottomLeft() + QPoint(1, 0), inner.bottomRight());
    painter.drawLine(inner.topRight() + QPoint(0, 1), inner.bottomRight());
}

void CSkinSlider::DrawSelection(QPainter& painter, const QRect& channel) const {
    if (m_selectionFrom > m_selectionTo) {
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    const bool vertical = orientation() == Qt::Vertical;
    const int length = vertical ? channel.height() - 4 : channel.width() - 4;
    auto offset = [&](int v) {
        return QStyle::sliderPositionFromValue(
            minimum(), maximum(), std::clamp(v, minimum(), maximum()), length, option.upsideDown);
    };
    const int a = offset(m_selectionFrom);
    const int b = offset(m_selectionTo);
    const int first = std::min(a, b);
    const int extent = std::abs(a - b) + 1;
    const QRect fill =
        vertical
            ? QRect(channel.left() + 1, channel.top() + 2 + first, channel.width() - 2, extent)
            : QRect(channel.left() + 2 + first, channel.top() + 1, extent, channel.height() - 2);
    painter.fillRect(fill, m_selectionColour);
}

void CSkinSlider::DrawThumb(QPainter& painter, const QRect& handle) const {
    const QRect outline = handle.adjusted(0, 0, -1, -1);
    painter.setPen(m_tones.darker102);
    painter.setBrush(isSliderDown() ? m_tones.darker51 : m_thumbColour);
    painter.drawRoundedRect(outline, 1, 1);
    const QRect inner = outline.adjusted(1, 1, -1, -1);
    painter.setPen(m_tones.lighter102);
    painter.drawLine(inner.topLeft(), inner.topRight() - QPoint(1, 0));
    painter.drawLine(inner.topLeft(), inner.bottomLeft() - QPoint(0, 1));
    painter.setPen(m_tones.darker51);
    painter.drawLine(inner.bottomLeft(), inner.bottomRight());
    painter.drawLine(inner.topRight(), inner.bottomRight());
    if (inner.width() > 4 && inner.height() > 4) {
        painter.setPen(m_tones.lighter51);
        const QRect second = inner.adjusted(1, 1, -1, -1);
        painter.drawLine(second.topLeft(), second.topRight() - QPoint(1, 0));
        painter.drawLine(second.topLeft(), second.bottomLeft() - QPoint(0, 1));
    }
}

void CSkinSlider::paintEvent(QPaintEvent*) {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);

    const qreal ratio = devicePixelRatioF();
    QPixmap picture(size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        if (tickPosition() != QSlider::NoTicks) {
            option.subControls = QStyle::SC_SliderTickmarks;
            style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
        }
        const QRect channel = ChannelRect(groove, handle);
        DrawChannel(painter, channel);
        DrawSelection(painter, channel);
        DrawThumb(painter, handle);
    }
    QPainter(this).drawPixmap(0, 0, picture);
}
