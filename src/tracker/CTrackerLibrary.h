// The tracker library bound at run time: found by its base name beside the program first
// and then on the system's library path, its entries looked up by name. It polls the
// tracker and scales each new position to the pads' 0-127 range. Qt Core only, so the
// command-line monitor binds the library through the same class as the program.
#pragma once

#include "Kestrel32Dll.h"

#include <QLibrary>
#include <QString>

#include <optional>

class CTrackerLibrary {
public:
    static constexpr const char* kBaseName = "Kestrel32Dll13";

    // A tracker coordinate must move by more than this, in some axis, to be reported.
    static constexpr double kDeadBand = 1.0;

    enum class PollResult {
        NotBound,   // the library or one of its entries is missing
        NoReport,   // no tracker, or it did not answer in time
        NoPosition, // a report came but gave no usable position
        TooSmall,   // within the dead band of the last reported position
        Moved,      // a new position, written to the outputs
    };

    // Binds by the usual search.
    CTrackerLibrary();
    // Binds exactly this file; an empty name means the usual search.
    explicit CTrackerLibrary(const QString& fileName);
    ~CTrackerLibrary();

    CTrackerLibrary(const CTrackerLibrary&) = delete;
    CTrackerLibrary& operator=(const CTrackerLibrary&) = delete;

    bool IsBound() const { return m_bound; }
    // Why the binding failed, for the operator; empty when bound.
    QString ErrorText() const { return m_error; }
    QString FileName() const { return m_library.fileName(); }

    // Reads the tracker; on Moved the outputs hold the position in pad units (X and Y over
    // the 30 x 30 square above the receivers, Z over heights 15 to 60), not clamped above.
    PollResult Poll(double& padX, double& padY, double& padZ);

    // The library's own calls, for diagnostics; only when bound.
    bool ReadData() { return m_readData(); }
    bool GetSens(double* d0, double* d1, double* d2, double* d3) {
        return m_getSens(d0, d1, d2, d3);
    }
    bool GetCoord(double* x, double* y, double* z) { return m_getCoord(x, y, z); }
    // The library's version when it exports one; the program does not need it.
    std::optional<unsigned> Version() const;

private:
    bool Load(const QString& fileName);
    bool Bind();

    QLibrary m_library;
    QString m_error;
    QString m_loadedName; // empty when nothing was loaded
    bool m_bound = false;
    KestrelGetSensFn m_getSens = nullptr;
    KestrelGetCoordFn m_getCoord = nullptr;
    KestrelReadDataFn m_readData = nullptr;
    KestrelGetKestrelVersionFn m_getVersion = nullptr;
    double m_lastX = 0.0;
    double m_lastY = 0.0;
    double m_lastZ = 0.0;
};
