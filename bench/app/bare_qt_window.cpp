// The yardstick for the program's start-up: a Qt Widgets window of the main window's size
// and nothing else, which with --screenshot FILE saves itself once shown and quits, as
// Orbis does.
#include "YardstickRun.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.resize(879, 441);
    return RunYardstick(window, argc, argv);
}
