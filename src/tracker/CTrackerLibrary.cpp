#include "tracker/CTrackerLibrary.h"

#include "tracker/TrackerLibraryPath.h"

#include <QCoreApplication>
#include <QDir>

#include <cmath>
#include <map>
#include <mutex>

namespace {

constexpr double kPadRange = 127.0;
constexpr double kOneThirtieth = 0.03333333333333333;
constexpr double kOneFortyFifth = 0.022222222222222223;
constexpr double kLowestHeight = 15.0;

bool WithinDeadBand(double value, double last) {
    return last - CTrackerLibrary::kDeadBand <= value && value <= last + CTrackerLibrary::kDeadBand;
}

// Every QLibrary of one file name shares one handle, and unloading any of them unloads it
// for all; a binding still in use (a worker starting while the previous one ends) would
// lose its code. So the bindings of each file are counted and the last one unloads.
struct LoadedFiles {
    std::mutex lock;
    std::map<QString, int> users;
};

LoadedFiles& TheLoadedFiles() {
    static auto* files = new LoadedFiles; // outlives any worker still running at exit
    return *files;
}

// Counted by the name the library was asked for, which is what QLibrary shares by.
bool LoadCounted(QLibrary& library, const QString& name) {
    LoadedFiles& files = TheLoadedFiles();
    const std::lock_guard guard(files.lock);
    library.setFileName(name);
    if (!library.load()) {
        return false;
    }
    ++files.users[name];
    return true;
}

void UnloadCounted(QLibrary& library, const QString& name) {
    LoadedFiles& files = TheLoadedFiles();
    const std::lock_guard guard(files.lock);
    const auto user = files.users.find(name);
    if (user != files.users.end() && --user->second == 0) {
        files.users.erase(user);
        library.unload();
    }
}

template <typename Function> bool Resolve(QLibrary& library, const char* name, Function& out) {
    out = reinterpret_cast<Function>(library.resolve(name));
    return out != nullptr;
}

} // namespace

CTrackerLibrary::CTrackerLibrary() : CTrackerLibrary(QString()) {}

CTrackerLibrary::CTrackerLibrary(const QString& fileName) {
    m_bound = Load(fileName) && Bind();
}

CTrackerLibrary::~CTrackerLibrary() {
    if (!m_loadedName.isEmpty()) {
        UnloadCounted(m_library, m_loadedName);
    }
}

bool CTrackerLibrary::Load(const QString& fileName) {
    if (!fileName.isEmpty()) {
        if (!LoadCounted(m_library, fileName)) {
            m_error = QStringLiteral("Cannot load the tracker library %1: %2")
                          .arg(fileName, m_library.errorString());
            return false;
        }
        m_loadedName = fileName;
        return true;
    }
    const QString folder = QCoreApplication::applicationDirPath();
    for (const QString& name : TrackerLibraryCandidates(folder, QString::fromLatin1(kBaseName))) {
        if (LoadCounted(m_library, name)) {
            m_loadedName = name;
            return true;
        }
    }
    m_error = QStringLiteral("Cannot find the tracker library %1 beside the program (%2), "
                             "in the program's library folder or on the system's library path.")
                  .arg(QString::fromLatin1(kBaseName), folder);
    return false;
}

bool CTrackerLibrary::Bind() {
    // In this order; the first missing entry ends the binding and leaves the rest unbound.
    const char* missing = nullptr;
    if (!Resolve(m_library, "GetSens", m_getSens)) {
        missing = "GetSens";
    } else if (!Resolve(m_library, "GetCoord", m_getCoord)) {
        missing = "GetCoord";
    } else if (!Resolve(m_library, "ReadData", m_readData)) {
        missing = "ReadData";
    }
    if (missing) {
        m_error = QStringLiteral("The tracker library %1 has no function %2.")
                      .arg(m_library.fileName(), QString::fromLatin1(missing));
        return false;
    }
    Resolve(m_library, "GetKestrelVersion", m_getVersion);
    m_lastX = m_lastY = m_lastZ = 0.0;
    return true;
}

std::optional<unsigned> CTrackerLibrary::Version() const {
    if (!m_getVersion) {
        return std::nullopt;
    }
    return m_getVersion();
}

CTrackerLibrary::PollResult CTrackerLibrary::Poll(double& padX, double& padY, double& padZ) {
    if (!m_bound) {
        return PollResult::NotBound;
    }
    if (!m_readData()) {
        return PollResult::NoReport;
    }
    double x = 0.0, y = 0.0, z = 0.0;
    if (!m_getCoord(&x, &y, &z)) {
        return PollResult::NoPosition;
    }
    // A position that is not a number would become the reference for every later
    // comparison and make each poll a "move"; it is no position at all.
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        return PollResult::NoPosition;
    }
    if (WithinDeadBand(x, m_lastX) && WithinDeadBand(y, m_lastY) && WithinDeadBand(z, m_lastZ)) {
        return PollResult::TooSmall;
    }
    m_lastX = x;
    m_lastY = y;
    m_lastZ = z;
    padX = x * kPadRange * kOneThirtieth;
    padY = y * kPadRange * kOneThirtieth;
    const double height = z - kLowestHeight;
    padZ = height < 0.0 ? 0.0 : height * kPadRange * kOneFortyFifth;
    return PollResult::Moved;
}
