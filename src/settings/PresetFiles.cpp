#include "settings/PresetFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef ORBIS_DATADIR_FROM_BINDIR
#define ORBIS_DATADIR_FROM_BINDIR "../share/orbis"
#endif

namespace PresetFiles {

QString FactoryFolder() {
    const QString bin = QCoreApplication::applicationDirPath();
    const QString installed =
        QDir::cleanPath(bin + QStringLiteral("/" ORBIS_DATADIR_FROM_BINDIR "/") + kFolderName);
    // The build tree keeps the default shape whatever data folder an install was set up for.
    const QString built = QDir::cleanPath(bin + QStringLiteral("/../share/orbis/") + kFolderName);
    return QFileInfo(installed).isDir() || !QFileInfo(built).isDir() ? installed : built;
}

QString CustomWritePath() {
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(userData).filePath(QStringLiteral("orbis/") + kFolderName + QLatin1Char('/') +
                                   kCustomFileName);
}

QString CustomReadPath() {
    const QString written = CustomWritePath();
    if (QFileInfo::exists(written)) {
        return written;
    }
    return QDir(FactoryFolder()).filePath(kCustomFileName);
}

} // namespace PresetFiles
