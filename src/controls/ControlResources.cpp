#include "controls/ControlResources.h"

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
