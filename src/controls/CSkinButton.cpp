#include "controls/CSkinButton.h"

#include "controls/SkinColours.h"
#include "controls/SystemColours.h"

#include <QKeyEvent>
#include <QPainter>
#include <cstdlib>

namespace {

constexpr int kIndicatorSize = 13;
constexpr int kIndicatorGap = 5;
constexpr int kPushFocusInset = 4;

void DrawFocusRect(QPainter& painter, const QRect& area, const QColor& colour) {
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, 0, Qt::DotLine));
    painter.drawRect(area.adjusted(0, 0, -1, -1));
}

} // namespace

CSkinButton::CSkinButton(SkinButtonKind kind, QWidget* parent)
    : CSkinButton(kind, QString(), parent) {}

CSkinButton::CSkinButton(SkinButtonKind kind, const QString& text, QWidget* parent)
    : QAbstractButton(parent), m_kind(kind) {
    setText(text);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCheckable(kind != SkinButtonKind::PushButton);
    setAutoExclusive(kind == SkinButtonKind::RadioButton);
    ComputeColours();
}

void CSkinButton::SetCheck(int state) {
    if (m_kind == SkinButtonKind::PushButton || isChecked() == (state != 0)) {
        return;
    }
    setChecked(state != 0);
    update();
}

void CSkinButton::SetBold(bool bold) {
    m_bold = bold;
    update();
}

void CSkinButton::SetPushLike(bool pushLike) {
    m_pushLike = pushLike;
    update();
}

bool CSkinButton::HasPushFace() const {
    return m_kind == SkinButtonKind::PushButton ||
           (m_kind == SkinButtonKind::CheckBox && m_pushLike);
}

void CSkinButton::ComputeColours() {
    const QPalette& p = palette();
    m_colours.highlight = SystemColours::ButtonHighlight(p);
    m_colours.light = SystemColours::Light3D(p);
    m_colours.face = SystemColours::ButtonFace(p);
    m_colours.shadow = SystemColours::ButtonShadow(p);
    m_colours.dark = SystemColours::DarkShadow3D(p);
    m_colours.frame = SystemColours::WindowFrame(p);
    m_colours.pressedFace = SkinColours::HalfWay(m_colours.face, m_colours.shadow);
    m_colours.halfDark = SkinColours::HalfWay(m_colours.shadow, m_colours.dark);
    m_colours.checkedFace = SkinColours::HalfWay(m_colours.face, SystemColours::Highlight(p));
    const QColor text = SystemColours::WindowText(p);
    const QColor selectedText = p.color(QPalette::HighlightedText);
    const int lightness = m_colours.checkedFace.lightness();
    m_colours.checkedText =
        std::abs(text.lightness() - lightness) >= std::abs(selectedText.lightness() - lightness)
            ? text
            : selectedText;
}

QFont CSkinButton::CaptionFont() const {
    QFont caption = font();
    if (m_bold) {
        caption.setWeight(QFont::Bold);
    }
    return caption;
}

QSize CSkinButton::sizeHint() const {
    const QFontMetrics metrics(CaptionFont());
    const QSize text = metrics.size(Qt::TextShowMnemonic, this->text());
    if (HasPushFace()) {
        return {text.width() + 24, std::max(text.height() + 12, 23)};
    }
    return {kIndicatorSize + kIndicatorGap + text.width() + 4,
            std::max(text.height() + 4, kIndicatorSize + 2)};
}

void CSkinButton::DrawPushFace(QPainter& painter) const {
    const QRect outline = rect().adjusted(0, 0, -1, -1);
    painter.setPen(isEnabled() ? m_colours.frame : m_colours.shadow);
    if (!isEnabled()) {
        painter.setBrush(m_colours.face);
        painter.drawRoundedRect(outline, 3, 3);
        return;
    }
    const bool pressed = isDown();
    const bool sunken = pressed || isChecked();
    if (pressed) {
        painter.setBrush(m_colours.pressedFace);
    } else if (isChecked()) {
        painter.setBrush(m_colours.checkedFace);
    } else {
        painter.setBrush(m_colours.face);
    }
    painter.drawRoundedRect(outline, 3, 3);

    const int left = outline.left() + 1;
    const int top = outline.top() + 1;
    const int right = outline.right() - 1;
    const int bottom = outline.bottom() - 1;
    const QColor& topLeft = sunken ? m_colours.shadow : m_colours.highlight;
    const QColor& bottomRight = sunken ? m_colours.highlight : m_colours.shadow;
    painter.setPen(topLeft);
    painter.drawLine(left + 2, top, right - 2, top);
    painter.drawLine(left, top + 2, left, bottom - 2);
    painter.setPen(bottomRight);
    painter.drawLine(left + 2, bottom, right - 2, bottom);
    painter.drawLine(right, top + 2, right, bottom - 2);
    if (!sunken) {
        painter.setPen(m_colours.halfDark);
        painter.drawLine(left + 2, bottom + 1, right - 2, bottom + 1);
        painter.drawLine(right + 1, top + 2, right + 1, bottom - 2);
    }
    // Round off the bevel's corners.
    for (const QPoint corner : {QPoint(left + 1, top + 1), QPoint(right - 1, top + 1),
                                QPoint(left + 1, bottom - 1), QPoint(right - 1, bottom - 1)}) {
        painter.fillRect(QRect(corner, QSize(1, 1)),
                         sunken ? m_colours.pressedFace : m_colours.halfDark);
    }
}

void CSkinButton::DrawIndicator(QPainter& painter, const QRect& box) const {
    const QPalette& p = palette();
    const QColor fill = (isEnabled() && !isDown()) ? SystemColours::Window(p) : m_colours.face;
    const QColor mark = isEnabled() ? SystemColours::WindowText(p) : m_colours.shadow;
    painter.setBrush(fill);
    if (m_kind == SkinButtonKind::RadioButton) {
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(m_colours.shadow, 1));
        painter.drawEllipse(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
        if (isChecked()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(mark);
            painter.drawEllipse(QRectF(box.center(), QSizeF(0, 0)).adjusted(-2.5, -2.5, 3.5, 3.5));
        }
        painter.setRenderHint(QPainter::Antialiasing, false);
        return;
    }
    const QRect frame = box.adjusted(0, 0, -1, -1);
    painter.setPen(Qt::NoPen);
    painter.drawRect(frame);
    painter.setPen(m_colours.shadow);
    painter.drawLine(frame.topLeft(), frame.topRight());
    painter.drawLine(frame.topLeft(), frame.bottomLeft());
    painter.setPen(m_colours.highlight);
    painter.drawLine(frame.bottomLeft(), frame.bottomRight());
    painter.drawLine(frame.topRight(), frame.bottomRight());
    painter.setPen(m_colours.dark);
    painter.drawLine(frame.left() + 1, frame.top() + 1, frame.right() - 1, frame.top() + 1);
    painter.drawLine(frame.left() + 1, frame.top() + 1, frame.left() + 1, frame.bottom() - 1);
    if (isChecked()) {
        painter.setPen(QPen(mark, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        const QPoint origin = frame.topLeft();
        const QPoint tick[] = {origin + QPoint(3, 6), origin + QPoint(5, 8), origin + QPoint(9, 4)};
        painter.drawPolyline(tick, 3);
    }
}

void CSkinButton::DrawCaption(QPainter& painter, const QRect& area, int alignment) const {
    painter.setFont(CaptionFont());
    const int flags = alignment | Qt::AlignVCenter | Qt::TextShowMnemonic;
    if (!isEnabled()) {
        painter.setPen(m_colours.highlight);
        painter.drawText(area.translated(1, 1), flags, text());
        painter.setPen(m_colours.shadow);
    } else if (HasPushFace() && isChecked() && !isDown()) {
        painter.setPen(m_colours.checkedText);
    } else {
        painter.setPen(SystemColours::WindowText(palette()));
    }
    painter.drawText(area, flags, text());
}

void CSkinButton::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    QPixmap picture(size() * ratio);
    picture.setDevicePixelRatio(ratio);
    {
        QPainter painter(&picture);
        painter.fillRect(rect(), m_colours.face);
        if (HasPushFace()) {
            DrawPushFace(painter);
            // A pressed face shows its caption one pixel down and right.
            const QRect caption = isDown() ? rect().translated(1, 1) : rect();
            DrawCaption(painter, caption, Qt::AlignHCenter);
            if (hasFocus()) {
                DrawFocusRect(painter,
                              rect().adjusted(kPushFocusInset, kPushFocusInset, -kPushFocusInset,
                                              -kPushFocusInset),
                              SystemColours::WindowText(palette()));
            }
        } else {
            const QRect box(0, (height() - kIndicatorSize) / 2, kIndicatorSize, kIndicatorSize);
            DrawIndicator(painter, box);
            const QRect captionArea(box.right() + 1 + kIndicatorGap, 0,
                                    width() - box.right() - 1 - kIndicatorGap, height());
            DrawCaption(painter, captionArea, Qt::AlignLeft);
            if (hasFocus() && !text().isEmpty()) {
                const QFontMetrics metrics(CaptionFont());
                QRect used = metrics.boundingRect(
                    captionArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text());
                DrawFocusRect(painter, used.adjusted(-1, -1, 2, 1).intersected(rect()),
                              SystemColours::WindowText(palette()));
            } else if (hasFocus()) {
                // Without a caption the frame goes round the indicator, or the focus would
                // not show at all (the stereo window's pair buttons).
                DrawFocusRect(painter, box.adjusted(-1, -1, 1, 1).intersected(rect()),
                              SystemColours::WindowText(palette()));
            }
        }
    }
    QPainter(this).drawPixmap(0, 0, picture);
}

void CSkinButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        ComputeColours();
        update();
    }
    QAbstractButton::changeEvent(event);
}

QList<CSkinButton*> CSkinButton::RadioGroup() const {
    QList<CSkinButton*> group;
    if (parentWidget() == nullptr) {
        return group;
    }
    for (QObject* sibling : parentWidget()->children()) {
        auto* button = qobject_cast<CSkinButton*>(sibling);
        if (button != nullptr && button->m_kind == SkinButtonKind::RadioButton &&
            button->autoExclusive()) {
            group.append(button);
        }
    }
    return group;
}

void CSkinButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool backward = key == Qt::Key_Left || key == Qt::Key_Up;
    const bool forward = key == Qt::Key_Right || key == Qt::Key_Down;
    if (m_kind != SkinButtonKind::RadioButton || (!backward && !forward)) {
        QAbstractButton::keyPressEvent(event);
        return;
    }
    // Arrows walk the group in creation order, coming round at its ends, and check
    // the button they arrive at, as a click on it would.
    const QList<CSkinButton*> group = RadioGroup();
    const auto here = group.indexOf(const_cast<CSkinButton*>(this));
    for (qsizetype offset = 1; offset < group.size(); ++offset) {
        const qsizetype index = (here + (forward ? offset : group.size() - offset)) % group.size();
        CSkinButton* next = group[index];
        if (next->isEnabled() && next->isVisibleTo(parentWidget())) {
            next->setFocus(Qt::OtherFocusReason);
            next->click();
            return;
        }
    }
}

void CSkinButton::focusInEvent(QFocusEvent* event) {
    QAbstractButton::focusInEvent(event);
    const bool tabbedIn =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    if (m_kind == SkinButtonKind::RadioButton && !isChecked() && tabbedIn) {
        for (CSkinButton* button : RadioGroup()) {
            if (button->isChecked()) {
                button->setFocus(event->reason());
                return;
            }
        }
    }
    update();
}
