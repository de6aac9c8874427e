// A pad on the room picture carrying every sprite, so the pictures and their
// white transparency can be judged on the background they are made for.
#pragma once

#include "controls/CPadBase.h"
#include "controls/CTransparentSprite.h"

#include <QImage>
#include <vector>

class GallerySpritePad : public CPadBase {
    Q_OBJECT

public:
    explicit GallerySpritePad(QWidget* parent = nullptr);

protected:
    void ComposePicture(QPainter& painter) override;

private:
    struct Placed {
        CTransparentSprite sprite;
        QPoint topLeft;
    };

    QImage m_background;
    std::vector<Placed> m_sprites;
};
