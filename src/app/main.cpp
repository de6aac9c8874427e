// The Orbis program: reads the command line, starts the MIDI system and runs the
// application object, which ends by storing the last document and closing the ports.
#include "controls/ControlResources.h"
#include "controls/ReadablePalette.h"
#include "midi/MidiApiChoice.h"
#include "midi/SystemMidiBackend.h"
#include "osc/OscAddressSpace.h"
#include "program/CControllerApp.h"
#include "program/CTerminationHandler.h"
#include "program/CommandLine.h"
#include "settings/RegisterPositionWindows.h"
#include "settings/RegisterSettingsWindows.h"
#include "tracker/CTheKestrelThread.h"
#include "ui/CControllerDlg.h"
#include "ui/CProgramWindows.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPalette>
#include <QScreen>
#include <QSessionManager>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

// Why a MIDI system or device could not be used. Off by default, since the window stays
// silent about MIDI; QT_LOGGING_RULES="orbis.midi.info=true" shows it.
Q_LOGGING_CATEGORY(lcMidi, "orbis.midi", QtWarningMsg)

// Saves a picture of the main window once it is on screen, then closes it. Queued before
// the window's run, so it comes first in its event loop, right after the window is shown.
void ScheduleScreenshot(CProgramWindows& windows, const QString& path, bool rawValues) {
    QTimer::singleShot(0, [&windows, path, rawValues] {
        if (!windows.MainWindow()) {
            return;
        }
        if (rawValues) {
            windows.Program().ToggleRawValues();
        }
        // What is on the screen, taken from it rather than painted a second time.
        QApplication::processEvents();
        CControllerDlg& window = *windows.MainWindow();
        if (!window.screen()->grabWindow(window.winId()).save(path)) {
            std::fprintf(stderr, "Orbis: could not save %s\n", qPrintable(path));
        }
        window.close();
    });
}

} // namespace

int main(int argc, char* argv[]) {
    const std::string program = ProgramName(argc > 0 ? argv[0] : "");
    // Help and version are answered before a display is needed; Qt's own options (-style,
    // -platform, ...) are taken out by QApplication before the rest is read.
    const CommandLine early =
        ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), true);
    if (early.error) {
        // Told before a display is needed: without one QApplication would abort first.
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(), early.error->c_str(),
                     UsageText(program).c_str());
        return 2;
    }
    if (early.help) {
        std::fputs(UsageText(program).c_str(), stdout);
        return 0;
    }
    if (early.version) {
        std::printf("Orbis %s\n", ORBIS_VERSION);
        return 0;
    }
    if (early.oscNames) {
        std::fputs(OscAddressTable(1).c_str(), stdout);
        return 0;
    }

    QApplication application(argc, argv);
    const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.error) {
        std::fprintf(stderr, "%s: %s\n%s", program.c_str(), line.error->c_str(),
                     UsageText(program).c_str());
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Orbis"));
    QApplication::setApplicationVersion(QStringLiteral(ORBIS_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("orbis-controller"));
    QApplication::setPalette(WithReadableBevels(QApplication::palette()));
    InitControlResources();
    QApplication::setWindowIcon(ApplicationIcon());

    // The window shows without waiting for a JACK client to connect; the lists follow.
    std::unique_ptr<MidiBackend> midi = CreateSystemMidiBackend(
        [](const std::string& warning) { qCInfo(lcMidi, "%s", warning.c_str()); },
        MidiStart::InBackground);
    // Without a MIDI system the lists say what is missing and the program runs on.
    const char* chosenApi = std::getenv("ORBIS_MIDI_API");
    NullMidiBackend noMidi(ParseMidiApiChoice(chosenApi)
                               ? "No MIDI system: start JACK, or load snd-seq for ALSA"
                               : UnknownMidiApiText(chosenApi));
    if (!ParseMidiApiChoice(chosenApi)) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), noMidi.Missing().c_str());
    }
    int result = 0;
    {
        CControllerApp app(midi ? *midi : noMidi);
        CProgramWindows windows(app);
        RegisterSettingsWindows(windows);
        RegisterPositionWindows(windows);
        if (line.file) {
            QString terminalLine;
            const QString failure =
                app.UseStartFile(QString::fromLocal8Bit(line.file->c_str()), &terminalLine);
            if (!failure.isEmpty()) {
                std::fprintf(stderr, "%s: %s\n", program.c_str(), qPrintable(terminalLine));
                QMessageBox::warning(nullptr, QStringLiteral("Orbis"), failure);
            }
        }
        if (line.cues) {
            for (const QString& told : app.UseCueFile(QString::fromLocal8Bit(line.cues->c_str()))) {
                std::fprintf(stderr, "%s: %s\n", program.c_str(), qPrintable(told));
            }
        }
        // Started by a session manager: it names the document and says when to save.
        if (const char* manager = std::getenv("NSM_URL"); manager && *manager) {
            app.UseSession(QString::fromLocal8Bit(manager));
        }
        app.UseNetworkCommandLine(line);
        CTerminationHandler termination;
        QObject::connect(&termination, &CTerminationHandler::terminationRequested,
                         [&app] { app.RequestClose(); });
        // The session may end the process right after asking to save: store the last
        // document and any unsaved changes now.
        QObject::connect(&application, &QGuiApplication::commitDataRequest,
                         [&app](QSessionManager&) { app.SaveForSessionEnd(); });
        if (line.screenshot) {
            ScheduleScreenshot(windows, QString::fromLocal8Bit(line.screenshot->c_str()),
                               line.rawValues);
        }
        result = windows.Run();
    } // the exit sequence: "Last Document" written, the document and its output port gone
    // A tracker read still blocked in the library must not meet the library's teardown at
    // exit; everything of the program's own is stored and closed by now.
    if (CTheKestrelThread::AnyLeftInLibrary()) {
        std::fflush(nullptr);
        std::_Exit(result);
    }
    return result;
}
