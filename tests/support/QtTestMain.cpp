// One QApplication for the whole run, on the offscreen platform, with the settings store and
// the data folder in a temporary folder so the tests never touch the user's "Last Document"
// or recovery file.
#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    // The recovery file of unsaved changes, too, goes to the temporary folder.
    qputenv("XDG_DATA_HOME", QFile::encodeName(settingsFolder.filePath(QStringLiteral("data"))));
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral("test"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
