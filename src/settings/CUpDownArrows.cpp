#include "settings/CUpDownArrows.h"

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
}
