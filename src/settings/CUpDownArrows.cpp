#include "settings/CUpDownArrows.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow, const char* name) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return button;
}

} // namespace

CUpDownArrows::CUpDownArrows(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_up = MakeArrow(this, Qt::UpArrow, "Up");
    m_down = MakeArrow(this, Qt::DownArrow, "Down");
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, [this] { emit deltaPos(-1); });
    connect(m_down, &QToolButton::clicked, this, [this] { emit deltaPos(1); });
    setFocusPolicy(Qt::StrongFocus);
    layout->setContentsMargins(1, 1, 1, 1); // room for the focus frame
}

void CUpDownArrows::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up) {
        emit deltaPos(-1);
    } else if (event->key() == Qt::Key_Down) {
        emit deltaPos(1);
    } else {
        QWidget::keyPressEvent(event);
    }
}

void CUpDownArrows::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CUpDownArrows::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void CUpDownArrows::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}
