// The loudspeaker layout pad: a top view of the room with the axis symbol at its centre
// and one numbered, draggable icon per loudspeaker in use. Values 0-127 map onto the pad
// with processor Y growing upward; drags go to the owner in pad pixels.
#pragma once

#include "controls/CPadBase.h"
#include "controls/CTransparentSprite.h"

#include <QPoint>

#include <array>

class CSpeakerPadOwner;

class CSpeakerPad : public CPadBase {
    Q_OBJECT

public:
    // The pad holds eight loudspeakers; a larger count shows eight.
    static constexpr int kMaxSpeakers = 8;

    explicit CSpeakerPad(QWidget* parent = nullptr);

    void SetOwner(CSpeakerPadOwner* owner) { m_owner = owner; }

    // Re-reads the loudspeaker count and positions from the owner, tells the owner what is
    // shown (count first, then each loudspeaker's coordinates) and redraws.
    void RebuildFromDocument();

    // Moves loudspeaker i's icon from a 0-127 value; processor Y grows upward.
    void MoveX(int speaker, int value);
    void MoveY(int speaker, int value);

    int ShownCount() const { return m_count; }
    QPoint SpeakerTopLeft(int speaker) const { return m_topLeft.at(speaker); }
    QSize SpriteSize() const { return m_speakers.front().Size(); }
    int Selected() const { return m_selected; }
    int KeyboardSpeaker() const { return m_keySpeaker; }
    bool IsDragging() const { return m_dragging; }

protected:
    void ComposePicture(QPainter& painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Keys 1-8 or Tab and Shift+Tab choose a loudspeaker; the arrows move it one value, with
    // Shift eight, Page Up and Down eight up or down.
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    static bool IsSpeaker(int speaker) { return speaker >= 0 && speaker < kMaxSpeakers; }
    void Describe();

    CSpeakerPadOwner* m_owner = nullptr;
    QImage m_background;
    CTransparentSprite m_axisSymbol;
    std::array<CTransparentSprite, kMaxSpeakers> m_speakers;
    std::array<QPoint, kMaxSpeakers> m_topLeft{};
    int m_count = 0;
    int m_selected = -1;
    bool m_dragging = false;
    int m_keySpeaker = 0; // the loudspeaker the keys move
};
