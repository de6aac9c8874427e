// The run of a start-up yardstick: shows the window and, given --screenshot FILE, saves it
// once shown and quits, as Orbis does; otherwise runs until it is closed.
#pragma once

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstring>

inline int RunYardstick(QWidget& window, int argc, char** argv) {
    window.show();
    if (argc == 3 && std::strcmp(argv[1], "--screenshot") == 0) {
        const QString path = QString::fromLocal8Bit(argv[2]);
        QTimer::singleShot(0, &window, [&window, path] {
            QApplication::processEvents();
            QApplication::exit(window.screen()->grabWindow(window.winId()).save(path) ? 0 : 1);
        });
    }
    return QApplication::exec();
}
