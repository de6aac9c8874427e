#include "GallerySpritePad.h"

#include "controls/ControlResources.h"

#include <QPainter>
#include <cmath>

GallerySpritePad::GallerySpritePad(QWidget* parent) : CPadBase(parent) {
    InitControlResources();
    m_background = QImage(BitmapPath(BitmapId::PadBackground));
    setFixedSize(m_background.size());
    const int centre = m_background.width() / 2;
    m_sprites.push_back({CTransparentSprite::FromResource(static_cast<int>(BitmapId::AxisSymbol)),
                         {centre - 20, centre - 20}});
    for (int i = 0; i < 8; ++i) {
        const double angle = (22.5 + 45.0 * i) * 3.141592653589793 / 180.0;
        const QPoint spot(static_cast<int>(centre + 105 * std::sin(angle)),
                          static_cast<int>(centre - 105 * std::cos(angle)));
        m_sprites.push_back(
            {CTransparentSprite::FromResource(static_cast<int>(BitmapId::FirstLoudspeaker) + i),
             spot - QPoint(15, 15)});
    }
    m_sprites.push_back({CTransparentSprite::FromResource(static_cast<int>(BitmapId::Cross)),
                         {centre - 8, centre + 40}});
    m_sprites.push_back({CTransparentSprite::FromResource(static_cast<int>(BitmapId::LeftBall)),
                         {centre - 40, centre + 55}});
    m_sprites.push_back({CTransparentSprite::FromResource(static_cast<int>(BitmapId::RightBall)),
                         {centre + 24, centre + 55}});
}

void GallerySpritePad::ComposePicture(QPainter& painter) {
    painter.drawImage(0, 0, m_background);
    for (const Placed& placed : m_sprites) {
        placed.sprite.Draw(painter, placed.topLeft);
    }
}
