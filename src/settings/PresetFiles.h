// Where the factory presets and the custom preset live. The factory files are looked for
// in the working folder's "Presets" and, when it has none, in the folder installed with
// the program; the custom preset is written where the user may write.
#pragma once

#include <QString>

namespace PresetFiles {

inline const QString kFolderName = QStringLiteral("Presets");
inline const QString kCustomFileName = QStringLiteral("CustomPresetOrbisController14.ocont2");

// The "Presets" folder installed with the program: share/orbis/Presets beside the
// program's bin folder (the build tree has the same shape).
QString InstalledFolder();

// The folder the factory files are read from.
QString FactoryFolder(const QString& workingDir);

// Where "Save" writes the custom preset: the working folder's "Presets" when it can be
// written, else the user's data folder.
QString CustomWritePath(const QString& workingDir);

// The custom preset Try reads: the one written by "Save" once there is one, else the
// one shipped with the factory files.
QString CustomReadPath(const QString& workingDir);

} // namespace PresetFiles
