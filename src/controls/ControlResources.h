// The program's pictures, compiled into the controls library and named by their
// resource numbers (":/bitmaps/157.png").
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

enum class BitmapId : int {
    AppIcon = 128,
    PadBackground = 157,
    AxisSymbol = 164,
    Cross = 165,
    FirstLoudspeaker = 166, // 166 + i for loudspeaker i, i = 0..7
    LeftBall = 174,
    RightBall = 175,
    PositionMarker = 177,
    Diagram = 198,
    Logo = 200,
};

// Registers the compiled-in pictures; a static library's resources are not
// registered on their own. Safe to call any number of times.
void InitControlResources();

QString BitmapPath(int id);
inline QString BitmapPath(BitmapId id) {
    return BitmapPath(static_cast<int>(id));
}

// Reads one of the pictures. All are PNG; naming the format lets Qt's own reader take them
// at once, where guessing it would first load every image plugin there is.
QImage LoadBitmap(int id);
inline QImage LoadBitmap(BitmapId id) {
    return LoadBitmap(static_cast<int>(id));
}

// The program's icon, read once for the application and its windows.
const QIcon& ApplicationIcon();
