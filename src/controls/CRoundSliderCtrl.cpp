#include "controls/CRoundSliderCtrl.h"

#include "controls/ShadedCircle.h"
#include "controls/SystemColours.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QResizeEvent>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDegreesToRadians = 3.141592653589793 * 0.005555555555555556;
constexpr int kTravelDegrees = 270;
const QColor kFocusBlue(0, 0, 255);

int Span(const QAbstractSlider& slider) {
    return slider.maximum() - slider.minimum() + 1;
}

// The marker's dimple: of the bevel's dark and light tones, the one farther from the face,
// so that the marker shows on light and dark palettes alike.
QColor MarkerFill(const QPalette& colours) {
    const int face = SystemColours::ButtonFace(colours).lightness();
    const QColor dark = SystemColours::ButtonShadow(colours);
    const QColor light = SystemColours::ButtonHighlight(colours);
    return std::abs(face - dark.lightness()) >= std::abs(light.lightness() - face) ? dark : light;
}

} // namespace

CRoundSliderCtrl::CRoundSliderCtrl(QWidget* parent) : QAbstractSlider(parent) {
    setRange(0, 359);
    setSingleStep(1);
    setPageStep(10);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    RecomputeGeometry();
}

bool CRoundSliderCtrl::SetTextFormat(const QString& format) {
    // The format reaches printf, so only one integer conversion may be in it.
    static const QRegularExpression oneInteger(
        QStringLiteral(R"(^(?:[^%]|%%)*%[-+ 0#]*\d*l?[di](?:[^%]|%%)*$)"));
    if (!oneInteger.match(format).hasMatch()) {
        return false;
    }
    m_textFormat = format;
    update();
    return true;
}

QString CRoundSliderCtrl::MakeLabelText() const {
    // Always pass a long, whatever length the format names. An escaped percent sign is
    // matched as a whole so that the conversion is sought after it, not inside it.
    static const QRegularExpression conversion(QStringLiteral(R"(%%|%([-+ 0#]*\d*)l?([di]))"));
    QString format;
    qsizetype copied = 0;
    for (auto it = conversion.globalMatch(m_textFormat); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        format += m_textFormat.mid(copied, match.capturedStart() - copied);
        format += match.hasCaptured(2) ? QStringLiteral("%") + match.captured(1) +
                                             QStringLiteral("l") + match.captured(2)
                                       : match.captured(0);
        copied = match.capturedEnd();
    }
    format += m_textFormat.mid(copied);
    return QString::asprintf(format.toLatin1().constData(), static_cast<long>(value()));
}

void CRoundSliderCtrl::SetMarkerRadius(int radius) {
    m_markerRadius = radius;
    UpdateGeometry();
}

void CRoundSliderCtrl::SetZeroAngle(int degrees) {
    m_zeroAngle = degrees;
    update();
}

void CRoundSliderCtrl::SetInverted(bool inverted) {
    m_inverted = inverted;
    update();
}

void CRoundSliderCtrl::RecomputeGeometry() {
    UpdateGeometry();
    setValue(0); // clamped into the range
}

void CRoundSliderCtrl::UpdateGeometry() {
    const int side = std::min(width(), height());
    m_centre = QPoint(side / 2, side / 2);
    m_dialRadius = side / 2 - m_markerRadius - 1;
    setMask(QRegion(0, 0, side, side, QRegion::Ellipse));
    m_dial = QPixmap();
    update();
}

int CRoundSliderCtrl::ValueFromPoint(QPoint point) const {
    const int dx = m_inverted ? -(point.x() - m_centre.x()) : point.x() - m_centre.x();
    const int dy = point.y() - m_centre.y();
    double angle = 0.0;
    if (dx != 0) {
        angle = 90.0 - std::atan(-static_cast<double>(dy) / dx) * 180.0 / kPi;
        if (dx < 0) {
            angle += 180.0;
        }
    } else {
        angle = dy < 0 ? 0.0 : 180.0;
    }
    angle -= m_zeroAngle;
    while (angle < 0.0) {
        angle += 360.0;
    }
    while (angle >= 360.0) {
        angle -= 360.0;
    }
    return minimum() - static_cast<int>(angle * Span(*this) * -0.003703703703703704);
}

bool CRoundSliderCtrl::SetPositionFromPoint(QPoint point) {
    // Clamp before comparing: pointing into the gap at the maximum is no change.
    const int newValue = std::clamp(ValueFromPoint(point), minimum(), maximum());
    if (newValue == value()) {
        return false;
    }
    setValue(newValue);
    return true;
}

QPoint CRoundSliderCtrl::MarkerCentre() const {
    int alpha = ((value() - minimum()) * kTravelDegrees / Span(*this) + m_zeroAngle + 360) % 360;
    if (m_inverted) {
        alpha = 360 - alpha;
    }
    const double radians = alpha * kDegreesToRadians;
    const double distance = (m_dialRadius - 1) - 4.5;
    return {static_cast<int>(m_centre.x() + distance * std::sin(radians)),
            static_cast<int>(m_centre.y() - distance * std::cos(radians))};
}

void CRoundSliderCtrl::NotifyParent(ScrollCode code) {
    emit scrolled(code, value());
}

void CRoundSliderCtrl::RenderDial() {
    const qreal ratio = devicePixelRatioF();
    m_dial = QPixmap(size() * ratio);
    m_dial.setDevicePixelRatio(ratio);
    const QPalette& colours = palette();
    QPainter painter(&m_dial);
    painter.fillRect(rect(), SystemColours::ButtonFace(colours));
    ShadedCircle::Draw(painter, m_centre, m_dialRadius - 1, SystemColours::ButtonHighlight(colours),
                       SystemColours::DarkShadow3D(colours));
    // Ends of travel of a knob about 42 pixels across.
    painter.setPen(QPen(SystemColours::ButtonShadow(colours), 2));
    painter.drawLine(8, 34, 10, 32);
    painter.drawLine(32, 32, 34, 34);
}

void CRoundSliderCtrl::Compose(QPainter& painter) const {
    painter.drawPixmap(0, 0, m_dial);
    const QPalette& colours = palette();
    const QPoint marker = MarkerCentre();
    painter.setPen(Qt::NoPen);
    painter.setBrush(MarkerFill(colours));
    // Smooth where the device has the pixels for it; pixel-exact at the size drawn.
    painter.setRenderHint(QPainter::Antialiasing, devicePixelRatioF() > 1.0);
    painter.drawEllipse(marker, m_markerRadius, m_markerRadius);
    painter.setRenderHint(QPainter::Antialiasing, false);
    ShadedCircle::Draw(painter, marker, m_markerRadius - 1, SystemColours::DarkShadow3D(colours),
                       SystemColours::ButtonHighlight(colours));
    if (hasFocus()) {
        ShadedCircle::DrawDotted(painter, marker, 1, kFocusBlue);
        // The marker's dot alone is hard to see: a ring of black and white dashes round the
        // knob shows the focus on any background and in any palette.
        for (const auto& [colour, offset] : {std::pair{Qt::black, 0}, std::pair{Qt::white, 3}}) {
            QPen pen(colour, 1, Qt::CustomDashLine);
            pen.setDashPattern({3, 3});
            pen.setDashOffset(offset);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(QRect(QPoint(0, 0), m_dial.deviceIndependentSize().toSize())
                                    .adjusted(0, 0, -1, -1));
        }
    }
    if (!isEnabled()) {
        DrawLabel(painter);
    }
}

void CRoundSliderCtrl::DrawLabel(QPainter& painter) const {
    const QString text = MakeLabelText();
    if (text.isEmpty()) {
        return;
    }
    QFont font = parentWidget() != nullptr ? parentWidget()->font() : this->font();
    font.setPixelSize(10);
    font.setFamily(QStringLiteral("Arial"));
    painter.setFont(font);
    const QFontMetrics metrics(font);
    const int flags = Qt::TextShowMnemonic | Qt::AlignLeft | Qt::AlignTop;
    const QRect box(m_centre.x() - metrics.horizontalAdvance(text) / 2,
                    m_centre.y() - metrics.height() / 2, metrics.horizontalAdvance(text) + 1,
                    metrics.height());
    // Embossed: a highlight one pixel down-right under the shadow-coloured text.
    painter.setPen(SystemColours::ButtonHighlight(palette()));
    painter.drawText(box.translated(1, 1), flags, text);
    painter.setPen(SystemColours::ButtonShadow(palette()));
    painter.drawText(box, flags, text);
}

void CRoundSliderCtrl::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    if (m_dial.isNull() || m_dial.devicePixelRatio() != ratio || m_dial.size() != size() * ratio) {
        RenderDial();
    }
    QPixmap picture(size() * ratio);
    picture.setDevicePixelRatio(ratio);
    {
        QPainter offscreen(&picture);
        Compose(offscreen);
    }
    QPainter(this).drawPixmap(0, 0, picture);
}

void CRoundSliderCtrl::resizeEvent(QResizeEvent* event) {
    QAbstractSlider::resizeEvent(event);
    // The first size a widget gets arrives when it is shown, after its owner has set
    // range and position; only a real change of size resets the position.
    if (event->oldSize().isValid()) {
        RecomputeGeometry();
    } else {
        UpdateGeometry();
    }
}

void CRoundSliderCtrl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        m_dial = QPixmap();
    }
    QAbstractSlider::changeEvent(event);
}

void CRoundSliderCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_dragging) {
        QAbstractSlider::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    m_dragChanged = false;
    setFocus(Qt::MouseFocusReason);
    if (SetPositionFromPoint(event->position().toPoint())) {
        m_dragChanged = true;
        NotifyParent(ScrollCode::ThumbTrack);
    }
    update();
}

void CRoundSliderCtrl::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) {
        QAbstractSlider::mouseMoveEvent(event);
        return;
    }
    if (SetPositionFromPoint(event->position().toPoint())) {
        m_dragChanged = true;
        NotifyParent(ScrollCode::ThumbTrack);
        update();
    }
}

void CRoundSliderCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_dragging) {
        QAbstractSlider::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    if (SetPositionFromPoint(event->position().toPoint())) {
        m_dragChanged = true;
        NotifyParent(ScrollCode::ThumbTrack);
    }
    if (m_dragChanged) {
        m_dragChanged = false;
        NotifyParent(ScrollCode::ThumbPosition);
    }
    update();
}

void CRoundSliderCtrl::keyPressEvent(QKeyEvent* event) {
    int step = 0;
    ScrollCode code{};
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        step = -singleStep();
        code = ScrollCode::LineUp;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        step = singleStep();
        code = ScrollCode::LineDown;
        break;
    case Qt::Key_PageUp:
        step = -pageStep();
        code = ScrollCode::PageUp;
        break;
    case Qt::Key_PageDown:
        step = pageStep();
        code = ScrollCode::PageDown;
        break;
    case Qt::Key_Home:
    case Qt::Key_End:
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    StepBy(step, code);
}

void CRoundSliderCtrl::StepBy(int step, ScrollCode code) {
    // The knob has no ends: stepping past one comes round to the other.
    int position = value() + step;
    while (position < minimum()) {
        position += Span(*this);
    }
    while (position > maximum()) {
        position -= Span(*this);
    }
    setValue(position);
    update();
    NotifyParent(code);
}

void CRoundSliderCtrl::keyReleaseEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // Qt repeats the release with every auto-repeated press; the end is the last one.
        if (!event->isAutoRepeat()) {
            NotifyParent(ScrollCode::EndTrack);
        }
        return;
    case Qt::Key_Home:
    case Qt::Key_End:
        return;
    default:
        QWidget::keyReleaseEvent(event);
    }
}

void CRoundSliderCtrl::wheelEvent(QWheelEvent* event) {
    // Each notch is a key press and release, so the owner stores and sends as for the keys.
    // Turning the wheel away raises the value, as it does on the sliders beside the knobs
    // (the Right and Down keys' step); fine-grained wheels add up to whole notches.
    m_wheelRemainder +=
        event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    event->accept();
    while (std::abs(m_wheelRemainder) >= QWheelEvent::DefaultDeltasPerStep) {
        const bool up = m_wheelRemainder > 0;
        m_wheelRemainder -=
            up ? QWheelEvent::DefaultDeltasPerStep : -QWheelEvent::DefaultDeltasPerStep;
        StepBy(up ? singleStep() : -singleStep(), up ? ScrollCode::LineDown : ScrollCode::LineUp);
        NotifyParent(ScrollCode::EndTrack);
    }
}
