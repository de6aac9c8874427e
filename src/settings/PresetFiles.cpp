#include "settings/PresetFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace PresetFiles {

namespace {

QString WorkingFolder(const QString& workingDir) {
    return QDir(workingDir).filePath(kFolderName);
}

} // namespace

QString InstalledFolder() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/orbis/") + kFolderName);
}

QString FactoryFolder(const QString& workingDir) {
    const QString working = WorkingFolder(workingDir);
    if (QFileInfo(working).isDir()) {
        return working;
    }
    const QString installed = InstalledFolder();
    return QFileInfo(installed).isDir() ? installed : working;
}

QString CustomWritePath(const QString& workingDir) {
    const QFileInfo working(WorkingFolder(workingDir));
    if (working.isDir() && working.isWritable()) {
        return QDir(working.filePath()).filePath(kCustomFileName);
    }
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir(userData).filePath(QStringLiteral("orbis/") + kFolderName + QLatin1Char('/') +
                                   kCustomFileName);
}

QString CustomReadPath(const QString& workingDir) {
    const QString written = CustomWritePath(workingDir);
    if (QFileInfo::exists(written)) {
        return written;
    }
    return QDir(FactoryFolder(workingDir)).filePath(kCustomFileName);
}

} // namespace PresetFiles
