#include "KestrelLibrary.h"

#include "TrackerLibraryPath.h"

#include <QCoreApplication>
#include <QDir>

namespace {
template <typename Function> bool Resolve(QLibrary& library, const char* name, Function& out) {
    out = reinterpret_cast<Function>(library.resolve(name));
    return out != nullptr;
}
} // namespace

bool KestrelLibrary::LoadFile(const QString& fileName) {
    m_library.setFileName(fileName);
    return m_library.load();
}

bool KestrelLibrary::Load(const QString& fileName) {
    if (!fileName.isEmpty()) {
        if (!LoadFile(fileName)) {
            m_error = QStringLiteral("Cannot load the tracker library %1: %2")
                          .arg(fileName, m_library.errorString());
            return false;
        }
        return Bind();
    }
    const QStringList candidates = TrackerLibraryCandidates(QCoreApplication::applicationDirPath());
    for (const QString& candidate : candidates) {
        if (LoadFile(candidate)) {
            return Bind();
        }
    }
    m_error = QStringLiteral("Cannot find the tracker library %1 beside the program, in its "
                             "private folder or on the system's library path (tried %2).")
                  .arg(QString::fromLatin1(kBaseName), candidates.join(QStringLiteral(", ")));
    return false;
}

bool KestrelLibrary::Bind() {
    const struct {
        const char* name;
        bool found;
    } exports[] = {
        {"ReadData", Resolve(m_library, "ReadData", readData)},
        {"GetSens", Resolve(m_library, "GetSens", getSens)},
        {"GetCoord", Resolve(m_library, "GetCoord", getCoord)},
        {"CoordEval", Resolve(m_library, "CoordEval", coordEval)},
        {"GetKestrelVersion", Resolve(m_library, "GetKestrelVersion", getKestrelVersion)},
    };
    for (const auto& entry : exports) {
        if (!entry.found) {
            m_error = QStringLiteral("The tracker library %1 has no function %2.")
                          .arg(m_library.fileName(), QString::fromLatin1(entry.name));
            return false;
        }
    }
    return true;
}
