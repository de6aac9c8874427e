#include "controls/ControlResources.h"

#include <QImageReader>
#include <QPixmap>
#include <QtGlobal>

// Q_INIT_RESOURCE must be expanded outside any namespace.
static void RegisterBitmaps() {
    Q_INIT_RESOURCE(orbis_bitmaps);
}

void InitControlResources() {
    static const bool registered = (RegisterBitmaps(), true);
    Q_UNUSED(registered);
}

QString BitmapPath(int id) {
    return QStringLiteral(":/bitmaps/%1.png").arg(id);
}

QImage LoadBitmap(int id) {
    InitControlResources();
    QImageReader reader(BitmapPath(id), "PNG");
    // Without this the reader asks every image plugin first whether it knows the format.
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

const QIcon& ApplicationIcon() {
    static const QIcon icon(QPixmap::fromImage(LoadBitmap(BitmapId::AppIcon)));
    return icon;
}
