#include "controls/CSpeakerPad.h"

#include "controls/CSpeakerPadOwner.h"
#include "controls/ControlResources.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

CSpeakerPad::CSpeakerPad(QWidget* parent) : CPadBase(parent) {
    InitControlResources();
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Loudspeaker Positions"));
    m_background = LoadBitmap(BitmapId::PadBackground);
    m_axisSymbol = CTransparentSprite::FromResource(static_cast<int>(BitmapId::AxisSymbol));
    for (int i = 0; i < kMaxSpeakers; ++i) {
        m_speakers[i] =
            CTransparentSprite::FromResource(static_cast<int>(BitmapId::FirstLoudspeaker) + i);
    }
}

namespace {

// A value from a file may lie anywhere in int; the pad shows it at the edge it lies beyond.
int Scaled(int value, int extent) {
    return std::clamp(value, 0, 127) * extent / 127;
}

} // namespace

void CSpeakerPad::RebuildFromDocument() {
    if (m_owner == nullptr) {
        return;
    }
    m_count = std::clamp(m_owner->SpeakerCount(), 0, kMaxSpeakers);
    m_keySpeaker = std::clamp(m_keySpeaker, 0, std::max(m_count - 1, 0));
    m_selected = -1;
    if (std::exchange(m_dragging, false)) {
        emit dragEnded(); // the loudspeaker it held may be gone
    }
    m_owner->SetSpeakerCount(m_count);
    const QSize sprite = SpriteSize();
    for (int i = 0; i < m_count; ++i) {
        const SpeakerPosition at = m_owner->SpeakerAt(i);
        m_topLeft[i] =
            QPoint(Scaled(at.x, width()) - sprite.width() / 2,
                   Scaled(127 - std::clamp(at.y, 0, 127), height()) - sprite.height() / 2);
        m_owner->ShowCoordinates(i, at.x, at.y, at.z);
    }
    Describe();
    Compose();
}

void CSpeakerPad::MoveX(int speaker, int value) {
    if (IsSpeaker(speaker)) {
        m_topLeft[speaker].setX(Scaled(value, width()) - SpriteSize().width() / 2);
        Compose();
    }
}

void CSpeakerPad::MoveY(int speaker, int value) {
    if (IsSpeaker(speaker)) {
        m_topLeft[speaker].setY(Scaled(127 - std::clamp(value, 0, 127), height()) -
                                SpriteSize().height() / 2);
        Compose();
    }
}

// What a screen reader says besides the pad's name: the loudspeaker the keys move. Asked only
// where the owner is whole (never while drawing, which its destruction may cause).
void CSpeakerPad::Describe() {
    if (m_owner != nullptr && m_keySpeaker < m_count) {
        const SpeakerPosition at = m_owner->SpeakerAt(m_keySpeaker);
        setAccessibleDescription(QStringLiteral("Loudspeaker %1 of %2: X %3, Y %4")
                                     .arg(m_keySpeaker + 1)
                                     .arg(m_count)
                                     .arg(at.x)
                                     .arg(at.y));
    }
}

void CSpeakerPad::ComposePicture(QPainter& painter) {
    painter.fillRect(rect(), Qt::black);
    painter.drawImage(0, 0, m_background);
    const QSize axis = m_axisSymbol.Size();
    m_axisSymbol.Draw(painter, {width() / 2 - axis.width() / 2, height() / 2 - axis.height() / 2});
    for (int i = 0; i < m_count; ++i) {
        m_speakers[i].Draw(painter, m_topLeft[i]);
    }
    if (hasFocus() && m_keySpeaker < m_count) {
        // The loudspeaker the keys move.
        const QRect around = QRect(m_topLeft[m_keySpeaker], SpriteSize()).adjusted(-2, -2, 1, 1);
        DrawFocusFrame(painter, around);
    }
}

void CSpeakerPad::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key >= Qt::Key_1 && key < Qt::Key_1 + std::min(m_count, kMaxSpeakers)) {
        m_keySpeaker = key - Qt::Key_1;
        Describe();
        Compose();
        return;
    }
    const std::optional<QPoint> step = KeyStep(*event);
    if (!step) {
        CPadBase::keyPressEvent(event);
        return;
    }
    if (m_owner != nullptr && m_keySpeaker < m_count) {
        m_owner->SpeakerStepped(m_keySpeaker, step->x(), step->y());
        Describe();
    }
}

bool CSpeakerPad::focusNextPrevChild(bool next) {
    // Tab walks the loudspeakers before it leaves the pad.
    const int to = m_keySpeaker + (next ? 1 : -1);
    if (hasFocus() && to >= 0 && to < m_count) {
        m_keySpeaker = to;
        Describe();
        Compose();
        return true;
    }
    return CPadBase::focusNextPrevChild(next);
}

void CSpeakerPad::focusInEvent(QFocusEvent* event) {
    CPadBase::focusInEvent(event);
    if (event->reason() == Qt::BacktabFocusReason) {
        m_keySpeaker = std::max(m_count - 1, 0);
    } else if (event->reason() == Qt::TabFocusReason) {
        m_keySpeaker = 0;
    }
    Describe();
    Compose();
}

void CSpeakerPad::focusOutEvent(QFocusEvent* event) {
    CPadBase::focusOutEvent(event);
    Compose();
}

void CSpeakerPad::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint point = event->position().toPoint();
        for (int i = 0; i < m_count; ++i) {
            if (m_speakers[i].Contains(m_topLeft[i], point)) {
                m_selected = i;
                m_dragging = true;
                emit dragStarted();
                break;
            }
        }
    }
    CPadBase::mousePressEvent(event);
}

void CSpeakerPad::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && m_selected >= 0) {
        // The pad keeps the pointer while the button is down; a pointer that has left it
        // counts as being on its edge, so the values stay within 0-127.
        QPoint pointer = event->position().toPoint();
        pointer.setX(std::clamp(pointer.x(), 0, width() - 1));
        pointer.setY(std::clamp(pointer.y(), 0, height() - 1));
        const QSize sprite = SpriteSize();
        m_topLeft[m_selected] = pointer - QPoint(sprite.width() / 2, sprite.height() / 2);
        Compose();
        if (m_owner != nullptr) {
            m_owner->SpeakerDragged(m_selected, pointer.x() + 1, height() - pointer.y());
        }
    }
    CPadBase::mouseMoveEvent(event);
}

void CSpeakerPad::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_selected = -1;
        if (std::exchange(m_dragging, false)) {
            emit dragEnded();
        }
    }
    CPadBase::mouseReleaseEvent(event);
}
