// A pad sprite: a picture whose pure white pixels let the background show through.
// The transparency is worked out once, when the sprite is made.
#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>

class QPainter;

class CTransparentSprite {
public:
    CTransparentSprite() = default;
    explicit CTransparentSprite(const QImage& picture);
    static CTransparentSprite FromResource(int bitmapId);

    bool IsNull() const { return m_image.isNull(); }
    QSize Size() const { return m_image.size(); }
    const QImage& Image() const { return m_image; }

    void Draw(QPainter& painter, QPoint topLeft) const;

    // The sprite's rectangle includes its right and bottom edges.
    bool Contains(QPoint topLeft, QPoint point) const;

private:
    QImage m_image;
};
