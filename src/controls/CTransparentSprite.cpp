#include "controls/CTransparentSprite.h"

#include "controls/CPadBase.h"
#include "controls/ControlResources.h"

#include <QPainter>

CTransparentSprite::CTransparentSprite(const QImage& picture)
    : m_image(picture.convertToFormat(QImage::Format_ARGB32)) {
    const QRgb white = qRgb(255, 255, 255);
    for (int y = 0; y < m_image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(m_image.scanLine(y));
        for (int x = 0; x < m_image.width(); ++x) {
            line[x] = (line[x] | 0xFF000000u) == white ? 0u : (line[x] | 0xFF000000u);
        }
    }
    m_image = m_image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

CTransparentSprite CTransparentSprite::FromResource(int bitmapId) {
    InitControlResources();
    return CTransparentSprite(LoadBitmap(bitmapId));
}

void CTransparentSprite::Draw(QPainter& painter, QPoint topLeft) const {
    painter.drawImage(topLeft, m_image);
}

bool CTransparentSprite::Contains(QPoint topLeft, QPoint point) const {
    return CPadBase::SpriteHit(topLeft, m_image.size(), point);
}
