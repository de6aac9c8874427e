// Where the factory presets and the custom preset live. The factory files come from where
// the program was installed (the build tree has the same shape), never from the current
// folder, which is $HOME when the desktop starts the program; the custom preset is written
// to the user's data folder, never into the program's or the source tree's.
#pragma once

#include <QString>

namespace PresetFiles {

inline const QString kFolderName = QStringLiteral("Presets");
inline const QString kCustomFileName = QStringLiteral("CustomPresetOrbisController14.ocont2");

// The "Presets" folder installed with the program, in the data folder of its install (found
// from the program's own folder), where the factory files are read from.
QString FactoryFolder();

// Where "Save" writes the custom preset: the user's data folder.
QString CustomWritePath();

// The custom preset Try reads: the one written by "Save" once there is one, else the
// one shipped with the factory files.
QString CustomReadPath();

} // namespace PresetFiles
