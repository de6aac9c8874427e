// The program on the private JACK server: a slider moved on the main window reaches another
// client as a Control Change, both in process and in the real program on an X server clicked
// by xdotool, where Ctrl+Z and Ctrl+Shift+Z take the click back and do it again; and the
// real program started on a file ends cleanly on SIGTERM, storing that file as the last
// document.
#include "midi/SystemMidiBackend.h"
#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "program/CControllerApp.h"
#include "program/CCueEngine.h"
#include "program/CProcessorLink.h"
#include "support/JackBackendTest.h"
#include "support/PrivateXServer.h"
#include "ui/CControllerDlg.h"
#include "ui/ControlIds.h"

#include <QComboBox>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <map>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

class ProgramOnJackTest : public JackBackendTest {
protected:
    void SetUp() override {
        JackBackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        QFile::remove(CControllerApp::SettingsFileName());
    }
};

} // namespace

TEST_F(ProgramOnJackTest, AMovedSliderArrivesAsAControlChange) {
    JackMidiCapture capture("orbis-app-capture");
    ASSERT_TRUE(capture.IsOpen());
    const int device = OutputDevice("orbis-app-capture");
    ASSERT_GE(device, 0);

    CControllerApp app(*backend);
    CControllerDlg window(app);
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
}

// A cue fading every source from one corner to another reaches another JACK client with
// each source's X, Y and Z moving one way only and ending exactly on the cue's values.
TEST_F(ProgramOnJackTest, ACueFadeMovesEverySourceOneWayToItsExactEnd) {
    JackMidiCapture capture("orbis-cue-capture");
    ASSERT_TRUE(capture.IsOpen());
    const int device = OutputDevice("orbis-cue-capture");
    ASSERT_GE(device, 0);
    CControllerApp app(*backend);
    CControllerDlg window(app);
    auto* outputs = window.findChild<QComboBox*>(QStringLiteral("OutputList"));
    outputs->setCurrentIndex(device + 1);
    emit outputs->activated(device + 1);
    std::bitset<Cue::kGroups> positions;
    positions.set(static_cast<std::size_t>(ParameterGroup::SourcePosition));
    CControllerDoc& doc = app.Doc();
    const auto place = [&doc](int x, int y, int z) {
        for (int c = 0; c < CControllerDoc::kChannels; ++c) {
            doc.XPosition[c] = x;
            doc.YPosition[c] = y;
            doc.ZPosition[c] = z;
        }
    };
    CCueEngine& cues = app.Cues();
    place(10, 120, 20);
    ASSERT_TRUE(cues.Record(CueList::kAtFront, 0xFF, positions, 0));
    place(117, 3, 100);
    ASSERT_TRUE(cues.Record(0, 0xFF, positions, 5)); // half a second
    // A new connection shows in the JACK graph a moment after the port opens; what was sent
    // before it counts as not sent, so firing again sends it.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            cues.Fire(0);
            return capture.WaitFor(24, 300ms);
        },
        5000));
    QTest::qWait(100);
    capture.Clear();

    ASSERT_TRUE(cues.Go());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !cues.Running() && !window.ProcessorLink().Waiting(); }, 5000));
    QTest::qWait(200);                                     // what the link handed over arrives
    std::map<std::pair<int, int>, std::vector<int>> moves; // (channel, controller): values
    for (const JackMidiCapture::Message& m : capture.Messages()) {
        if (m.size() == 3 && (m[0] & 0xF0) == 0xB0) {
            moves[{m[0] & 0x0F, m[1]}].push_back(m[2]);
        }
    }
    for (int c = 0; c < CControllerDoc::kChannels; ++c) {
        const std::pair<int, int> ends[] = {{20, 117}, {21, 3}, {22, 100}};
        for (const auto& [controller, end] : ends) {
            const std::vector<int>& values = moves[{c, controller}];
            ASSERT_GE(values.size(), 5u) << "channel " << c << " controller " << controller;
            EXPECT_EQ(values.back(), end) << "channel " << c << " controller " << controller;
            const bool up = end > values.front();
            EXPECT_TRUE(std::is_sorted(values.begin(), values.end(),
                                       [up](int a, int b) { return up ? a < b : a > b; }))
                << "channel " << c << " controller " << controller;
        }
    }
}

TEST_F(ProgramOnJackTest, TheProgramStartsOnAFileAndEndsCleanlyOnSigterm) {
    QTemporaryDir home;
    CControllerDoc source;
    const QString file = home.filePath(QStringLiteral("show.ocont2"));
    ASSERT_TRUE(WriteControllerFile(source, QFile::encodeName(file).toStdString()));

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

namespace {

// Runs xdotool on the display and returns what it printed, or nothing on failure.
QString XdoTool(const QString& display, const QStringList& arguments) {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(15000) || tool.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

} // namespace

TEST_F(ProgramOnJackTest, TheRealProgramSendsWhenItsInputLevelSliderIsClicked) {
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        GTEST_SKIP() << "xdotool is not installed";
    }
    PrivateXServer x;
    ASSERT_FALSE(x.Display().isEmpty()) << "could not start Xvfb";
    JackMidiCapture capture("orbis-program-capture");
    ASSERT_TRUE(capture.IsOpen());
    const int device = OutputDevice("orbis-program-capture");
    ASSERT_GE(device, 0);

    // A setup whose output device is the capture client, so the program sends there.
    QTemporaryDir home;
    const QString file = WriteSetupSendingTo(home.path(), device);
    ASSERT_FALSE(file.isEmpty());

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("DISPLAY"), x.Display());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(ORBIS_PROGRAM), {file});
    ASSERT_TRUE(program.waitForStarted(5000));

    const QString window =
        XdoTool(x.Display(), {QStringLiteral("search"), QStringLiteral("--sync"),
                              QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                              QStringLiteral("ORBIS CONTROLLER")})
            .section(QLatin1Char('\n'), 0, 0);
    ASSERT_FALSE(window.isEmpty()) << "the main window did not appear";
    EXPECT_TRUE(capture.Messages().empty()) << "nothing is sent at start-up";

    // On the Input Level slider's track, below its thumb (value 100 at the top part).
    XdoTool(x.Display(),
            {QStringLiteral("mousemove"), QStringLiteral("--window"), window, QStringLiteral("291"),
             QStringLiteral("380"), QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(capture.WaitFor(1, 10s)) << "no Control Change arrived";
    const JackMidiCapture::Message first = capture.Messages().front();
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0], 0xB0);
    EXPECT_EQ(first[1], 7);
    EXPECT_LT(first[2], 100) << "a click below the thumb lowers the level";

    // Ctrl+Z takes the click back: the old level reaches the processor and the title line
    // loses its mark; Ctrl+Shift+Z does it again.
    const auto title = [&] {
        return XdoTool(x.Display(), {QStringLiteral("getwindowname"), window});
    };
    const auto level = [&capture] {
        const auto messages = capture.Messages();
        return messages.empty() ? -1 : static_cast<int>(messages.back()[2]);
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return title().endsWith(QLatin1Char('*')); }, 5000));
    const int clicked = level();
    XdoTool(x.Display(), {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    struct Step {
        const char* keys;
        int level;
        bool marked;
    };
    for (const Step& step : {Step{"ctrl+z", 100, false}, Step{"ctrl+shift+z", clicked, true}}) {
        SCOPED_TRACE(step.keys);
        XdoTool(x.Display(), {QStringLiteral("key"), QString::fromLatin1(step.keys)});
        EXPECT_TRUE(QTest::qWaitFor([&] { return level() == step.level; }, 10000));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return title().endsWith(QLatin1Char('*')) == step.marked; }, 5000))
            << title().toStdString();
    }

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 0);
}
