// The store the program's settings live in, "Last Document" among them.
#pragma once

#include <QSettings>
#include <QString>

inline QSettings ProgramSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Norvell"),
                     QStringLiteral("ORBIS"));
}
