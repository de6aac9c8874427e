// orbis-gallery [--screenshot FILE]: shows every custom control; with --screenshot
// it saves the window as a PNG and quits.
#include "GalleryWindow.h"
#include "controls/ReadablePalette.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

#ifndef ORBIS_VERSION
#define ORBIS_VERSION "unknown"
#endif

int main(int argc, char** argv) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows every custom control in its states."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("Save the window to <file> and quit."),
                                        QStringLiteral("file"));
    parser.addOption(screenshot);
    // Read before QApplication, so that help and version need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const bool parsed = parser.parse(arguments);
    if (parsed && parser.isSet(help)) {
        // Without an application object the parser cannot name the program itself.
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), QStringLiteral("orbis-gallery"));
        std::fputs(qPrintable(text), stdout);
        return 0;
    }
    if (parsed && parser.isSet(version)) {
        std::printf("orbis-gallery %s\n", ORBIS_VERSION);
        return 0;
    }

    QApplication app(argc, argv);
    // The controls as the program shows them.
    QApplication::setPalette(WithReadableBevels(QApplication::palette()));
    // Qt's own options are gone now; what is left must be ours.
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "orbis-gallery: %s\n", qPrintable(parser.errorText()));
        return 2;
    }

    GalleryWindow window;
    window.show();
    window.activateWindow();
    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QTimer::singleShot(500, &window, [&window, file] {
            const bool saved = window.grab().save(file);
            QApplication::exit(saved ? 0 : 1);
        });
    }
    return app.exec();
}
