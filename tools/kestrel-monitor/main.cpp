// kestrel-monitor: loads the tracker library as the program does and prints the
// distances and positions of the Kestrel tracker as its reports arrive, so an
// installer can check the hardware without the controller.
#include "tracker/CTrackerLibrary.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <limits>
#include <optional>

namespace {

enum class ExitCode { Ok = 0, Usage = 1, NoLibrary = 2, NoTracker = 3 };

volatile std::sig_atomic_t g_stop = 0;

extern "C" void OnInterrupt(int) {
    g_stop = 1;
    // A second Ctrl+C ends the program even while a read is blocked.
    std::signal(SIGINT, SIG_DFL);
}

// A false from the library that comes back this quickly was no blocked read: no
// tracker could be opened (or its report was unusable).
constexpr auto kPromptFailure = std::chrono::milliseconds(1000);

int Monitor(CTrackerLibrary& library, long long count) {
    if (const std::optional<unsigned> version = library.Version()) {
        std::printf("Tracker library %s, version %u.%u\n", qPrintable(library.FileName()),
                    *version >> 8, *version & 0xFFu);
    } else {
        std::printf("Tracker library %s, version unknown\n", qPrintable(library.FileName()));
    }
    std::fflush(stdout);

    long long shown = 0;
    while (!g_stop && (count <= 0 || shown < count)) {
        double d[4] = {};
        const auto start = std::chrono::steady_clock::now();
        if (!library.GetSens(&d[0], &d[1], &d[2], &d[3])) {
            if (std::chrono::steady_clock::now() - start < kPromptFailure) {
                std::fprintf(stderr,
                             "No report from a Kestrel tracker (HID vendor 0x1295): none is "
                             "connected, or its hidraw device is not readable by this user "
                             "(is the udev rule installed?).\n");
                return static_cast<int>(ExitCode::NoTracker);
            }
            std::fprintf(stderr, "The tracker sent nothing for 6 s; searching for it again.\n");
            continue;
        }
        std::printf("distances  r0 %9.4f  r1 %9.4f  r2 %9.4f  r3 %9.4f\n", d[0], d[1], d[2], d[3]);

        const double unset = std::numeric_limits<double>::quiet_NaN();
        double x = unset, y = unset, z = unset;
        if (library.GetCoord(&x, &y, &z))
            std::printf("position   x %9.4f  y %9.4f  z %9.4f\n", x, y, z);
        else if (std::isnan(x))
            std::printf("position   (no report)\n");
        else
            std::printf("position   (the distances do not meet in a point)\n");
        std::fflush(stdout);
        ++shown;
    }
    return static_cast<int>(ExitCode::Ok);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrel-monitor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORBIS_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the receiver distances and positions of the Kestrel tracker as "
                       "they arrive, through the tracker library %1. Stop it with Ctrl+C.\n"
                       "Exit status: 0 done, 1 bad option, 2 library missing, 3 no tracker.")
            .arg(QString::fromLatin1(CTrackerLibrary::kBaseName)));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption countOption(
        {QStringLiteral("n"), QStringLiteral("count")},
        QStringLiteral("Stop after <count> reports (0, the default, runs until Ctrl+C)."),
        QStringLiteral("count"), QStringLiteral("0"));
    const QCommandLineOption libraryOption(
        {QStringLiteral("l"), QStringLiteral("library")},
        QStringLiteral("Load exactly this library file instead of searching for it."),
        QStringLiteral("file"));
    parser.addOption(countOption);
    parser.addOption(libraryOption);
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "kestrel-monitor: %s\n", qPrintable(parser.errorText()));
        return static_cast<int>(ExitCode::Usage);
    }
    if (parser.isSet(helpOption)) {
        // The usage line names the program, not the path it was started by.
        QString help = parser.helpText();
        const QString invoked = QCoreApplication::arguments().constFirst();
        help.replace(help.indexOf(invoked), invoked.size(), QStringLiteral("kestrel-monitor"));
        std::fputs(qPrintable(help), stdout);
        return static_cast<int>(ExitCode::Ok);
    }
    if (parser.isSet(versionOption)) {
        std::printf("kestrel-monitor %s\n", ORBIS_VERSION);
        return static_cast<int>(ExitCode::Ok);
    }

    bool countValid = false;
    const long long count = parser.value(countOption).toLongLong(&countValid);
    if (!countValid || count < 0) {
        std::fprintf(stderr, "kestrel-monitor: --count needs a whole number of 0 or more.\n");
        return static_cast<int>(ExitCode::Usage);
    }

    CTrackerLibrary library(parser.value(libraryOption));
    if (!library.IsBound()) {
        std::fprintf(stderr, "%s\n", qPrintable(library.ErrorText()));
        return static_cast<int>(ExitCode::NoLibrary);
    }
    std::signal(SIGINT, OnInterrupt);
    return Monitor(library, count);
}
