// Where the tracker library is looked for, so that the program and kestrel-monitor find
// it the same way from any install prefix without LD_LIBRARY_PATH.
#pragma once

#include <QString>
#include <QStringList>

// The files to try for the library `baseName` (no "lib", no ".so"), in order: beside the
// program (a build folder), the program's private library folder found relative to it (an
// install under any prefix: /usr, /usr/local, ~/.local), and last the base name alone, for
// the system's library path.
QStringList TrackerLibraryCandidates(const QString& programFolder, const QString& baseName);
