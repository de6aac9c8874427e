// Binds the tracker library at run time as the program does: by its base name, from the
// places TrackerLibraryCandidates lists, each export by name.
#pragma once

#include "Kestrel32Dll.h"
#include "TrackerLibraryPath.h"

#include <QLibrary>
#include <QString>

class KestrelLibrary {
public:
    static constexpr const char* kBaseName = kTrackerLibraryBaseName;

    // An empty file name means the usual search; otherwise exactly that file.
    bool Load(const QString& fileName);
    QString ErrorText() const { return m_error; }
    QString FileName() const { return m_library.fileName(); }

    KestrelReadDataFn readData = nullptr;
    KestrelGetSensFn getSens = nullptr;
    KestrelGetCoordFn getCoord = nullptr;
    KestrelCoordEvalFn coordEval = nullptr;
    KestrelGetKestrelVersionFn getKestrelVersion = nullptr;

private:
    bool LoadFile(const QString& fileName);
    bool Bind();

    QLibrary m_library;
    QString m_error;
};
