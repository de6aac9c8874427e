#include "tracker/TrackerLibraryPath.h"

#include <QDir>
#include <QLibrary>

#ifndef ORBIS_PRIVATE_LIBDIR_FROM_BINDIR
#define ORBIS_PRIVATE_LIBDIR_FROM_BINDIR "../lib/orbis"
#endif

QStringList TrackerLibraryCandidates(const QString& programFolder, const QString& baseName) {
    // QLibrary adds the platform's prefix and suffix ("lib", ".so") to a name without them.
    const QDir program(programFolder);
    QStringList candidates = {program.filePath(baseName)};
    // The folder the build installs into (lib/<multiarch>/orbis under /usr on Debian),
    // then the plain lib/orbis of a hand-made tree.
    for (const QString& relative :
         {QStringLiteral(ORBIS_PRIVATE_LIBDIR_FROM_BINDIR), QStringLiteral("../lib/orbis")}) {
        const QString candidate =
            QDir::cleanPath(program.filePath(relative + QLatin1Char('/') + baseName));
        if (!candidates.contains(candidate)) {
            candidates.append(candidate);
        }
    }
    candidates.append(baseName);
    return candidates;
}
