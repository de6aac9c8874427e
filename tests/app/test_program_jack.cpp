// The program on the private JACK server: a slider moved on the main window reaches another
// client as a Control Change, and the real program started on a file ends cleanly on
// SIGTERM, storing that file as the last document.
#include "CControllerApp.h"
#include "CControllerDlg.h"
#include "ControlIds.h"
#include "JackMidiPeer.h"
#include "midi/RtMidiBackend.h"
#include "model/CControllerDoc.h"

#include <QComboBox>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

using namespace std::chrono_literals;

namespace {

class ProgramOnJackTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!UseTestJackServer()) {
            GTEST_SKIP() << "ORBIS_TEST_JACK_SERVER is not set: no private JACK server to test on";
        }
        backend = CreateSystemMidiBackend();
        ASSERT_NE(backend, nullptr)
            << "the JACK server named in ORBIS_TEST_JACK_SERVER is not running";
        MidiBackend::SetCurrent(backend.get());
        QFile::remove(CControllerApp::SettingsFileName());
    }
    void TearDown() override { MidiBackend::SetCurrent(nullptr); }

    std::unique_ptr<MidiBackend> backend;
};

} // namespace

TEST_F(ProgramOnJackTest, AMovedSliderArrivesAsAControlChange) {
    JackMidiCapture capture("orbis-app-capture");
    ASSERT_TRUE(capture.IsOpen());
    const int device =
        FindDevice(backend->OutputCount(), CControllerDoc::OutputDeviceName, "orbis-app-capture");
    ASSERT_GE(device, 0);

    CControllerApp app;
    CControllerDlg window(app);
    app.AttachMainWindow(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* outputs = window.findChild<QComboBox*>(QStringLiteral("OutputList"));
    outputs->setCurrentIndex(device + 1);
    emit outputs->activated(device + 1);

    QAbstractSlider* level = window.Control(ControlId::InputLevel);
    level->setFocus();
    QTest::keyPress(level, Qt::Key_Up);
    ASSERT_TRUE(capture.WaitFor(1, 5s));
    EXPECT_EQ(capture.Messages().front(), (JackMidiCapture::Message{0xB0, 7, 101}));
    QTest::keyRelease(level, Qt::Key_Up);
    ASSERT_TRUE(capture.WaitFor(2, 5s)) << "the release sends the value again";
    app.AttachMainWindow(nullptr);
}

TEST_F(ProgramOnJackTest, TheProgramStartsOnAFileAndEndsCleanlyOnSigterm) {
    QTemporaryDir home;
    CControllerDoc source;
    const QString file = home.filePath(QStringLiteral("show.ocont2"));
    ASSERT_TRUE(source.WriteControllerFile(QFile::encodeName(file).toStdString()));

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(ORBIS_PROGRAM), {file});
    ASSERT_TRUE(program.waitForStarted(5000));
    QTest::qWait(1500); // long enough to be inside the main window's run
    ASSERT_EQ(program.state(), QProcess::Running);
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    QSettings store(home.filePath(QStringLiteral("Norvell/ORBIS.conf")), QSettings::IniFormat);
    EXPECT_EQ(store.value(QStringLiteral("Last Document")).toString(), file);
}
