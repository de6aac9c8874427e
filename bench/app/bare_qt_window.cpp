// The yardstick for the program's start-up: a Qt Widgets window of the main window's size
// and nothing else, which with --screenshot FILE saves itself once shown and quits, as
// Orbis does.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.resize(879, 441);
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
