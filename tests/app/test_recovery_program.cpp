// The real program and its recovery journal on an X server of the test's own: a display lost
// after a change leaves a journal that the next start restores, a cue list recorded over OSC
// survives a kill, and what lies in the journal folder neither hides a journal nor holds up
// the start.
#include "support/PrivateXServer.h"
#include "support/WhenShown.h"

#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"
#include "model/RegularFile.h"
#include "model/ShowFile.h"
#include "osc/OscMessage.h"
#include "program/CDocumentGuard.h"
#include "ui/CWindowQuestions.h"

#include <QDir>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include <csignal>
#include <sys/stat.h>

namespace {

// The questions asked in windows of their own.
DocumentQuestions& Questions() {
    static CWindowQuestions questions;
    return questions;
}

// A point in the main window's source pad, in the window's pixels.
constexpr int kPadX = 60;
constexpr int kPadY = 160;

class RecoveryProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            GTEST_SKIP() << "xdotool is not installed";
        }
        ASSERT_FALSE(x.Display().isEmpty()) << "could not start Xvfb";
        ASSERT_TRUE(QDir().mkpath(folder.path()));
        program.setProcessEnvironment(x.ProgramEnvironment(home.path()));
        program.setProcessChannelMode(QProcess::MergedChannels);
    }
    void TearDown() override {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(10000);
        }
    }
    bool Start() {
        program.start(QStringLiteral(ORBIS_PROGRAM), {});
        return program.waitForStarted(5000);
    }
    // The text of the one journal in the folder.
    std::optional<std::string> JournalText() const {
        const QStringList files = folder.entryList({QStringLiteral("run-*.ocont2")}, QDir::Files);
        if (files.size() != 1) {
            return std::nullopt;
        }
        FileRead read =
            ReadControllerFileText(QFile::encodeName(folder.filePath(files[0])).toStdString());
        return read ? std::optional<std::string>(std::move(read.text)) : std::nullopt;
    }

    PrivateXServer x;
    QTemporaryDir home;
    QDir folder{home.filePath(QStringLiteral("data/Norvell/ORBIS"))};
    QProcess program;
};

} // namespace

TEST_F(RecoveryProgramTest, ALostDisplayLeavesAJournalThatTheNextStartRestores) {
    ASSERT_TRUE(Start());
    const std::optional<QString> window = x.WindowNamed(QStringLiteral("ORBIS CONTROLLER"));
    ASSERT_TRUE(window) << "the main window did not appear";
    // A click gives the source pad the focus; each Up moves the source, as by hand.
    const QStringList up = {
        "mousemove", "--window", *window, QString::number(kPadX), QString::number(kPadY), "click",
        "1",         "key",      "Up"};
    ASSERT_TRUE(x.Xdo(up));
    ASSERT_TRUE(QTest::qWaitFor([this] { return JournalText().has_value(); }, 10000));
    ASSERT_TRUE(x.Xdo(up));
    x.Kill();
    ASSERT_TRUE(program.waitForFinished(10000)) << "the program runs on without a display";
    const QString output = QString::fromLocal8Bit(program.readAll());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "it ended by a crash";
    // A sanitizer stops a write from freed objects before it reaches the disk; it says so.
    EXPECT_FALSE(output.contains("Sanitizer")) << output.toStdString();

    const std::optional<std::string> text = JournalText();
    ASSERT_TRUE(text && LooksLikeControllerFile(*text)) << "the journal holds no values";
    EXPECT_FALSE(FindControllerFileGaps(*text).Any());
    CControllerDoc kept;
    ApplyControllerFileText(kept, *text, false);
    EXPECT_NE(kept.Values(), CControllerDoc().Values()) << "the journalled change is kept";
    CDocumentGuard next(folder.path());
    next.BeginRun();
    const QPointer<QTimer> answer = ClickWhenShown<QDialog>(QStringLiteral("Restore"));
    CControllerDoc restored;
    EXPECT_TRUE(next.OfferRecovery(restored, Questions()));
    delete answer;
    EXPECT_EQ(restored.Values(), kept.Values());
    next.RemoveRecovery();
}

// A cue list recorded over OSC is in the journal half a second later, so a program killed
// outright (SIGKILL) leaves it for the next start.
TEST_F(RecoveryProgramTest, ACueListRecordedOverOscSurvivesAKill) {
    QUdpSocket probe;
    ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
    const quint16 port = probe.localPort();
    probe.close();
    program.start(QStringLiteral(ORBIS_PROGRAM),
                  {QStringLiteral("--osc-port"), QString::number(port)});
    ASSERT_TRUE(program.waitForStarted(5000));
    ASSERT_TRUE(x.WindowNamed(QStringLiteral("ORBIS CONTROLLER")))
        << "the main window did not appear";
    const auto cuesInJournal = [this]() -> std::size_t {
        const QStringList files = folder.entryList({QStringLiteral("run-*.oshow")}, QDir::Files);
        if (files.size() != 1) {
            return 0;
        }
        const FileRead read =
            ReadRegularFile(QFile::encodeName(folder.filePath(files[0])).toStdString(), 1 << 24);
        return read ? ParseShowText(read.text).show.cues.size() : 0;
    };
    QUdpSocket sender;
    const std::vector<char> record = EncodeOsc({"/orbis/cue/record", {}});
    // Sent until taken: the receiver listens a moment after the window shows.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            sender.writeDatagram(record.data(), static_cast<qint64>(record.size()),
                                 QHostAddress::LocalHost, port);
            return cuesInJournal() > 0;
        },
        10000));
    // Records sent before the first write was seen may still be on their way to a later one:
    // the kill comes once the journal has stopped growing for longer than its write delay.
    std::size_t kept = cuesInJournal();
    for (std::size_t seen = 0; seen != kept;) {
        seen = kept;
        QTest::qWait(1500);
        kept = cuesInJournal();
    }
    program.kill();
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(cuesInJournal(), kept) << "the killed program's cues stay for the next start";
}

// A lock file left empty (a power cut before it reached the disk) hides no journal, and a FIFO
// under a journal's name file is not waited on.
TEST_F(RecoveryProgramTest, AnEmptyLockHidesNoJournalAndAFifoDoesNotHoldUpTheStart) {
    const auto write = [this](const QString& name, const std::string& bytes) {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::WriteOnly) &&
               file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
                   static_cast<qint64>(bytes.size());
    };
    const std::string text = ControllerFileText(CControllerDoc());
    ASSERT_TRUE(write("run-1-1-0.ocont2", text) && write("run-1-1-0.lock", ""));
    ASSERT_TRUE(write("run-2-2-0.ocont2", text));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.filePath("run-2-2-0.name")).constData(), 0600), 0);

    ASSERT_TRUE(Start());
    EXPECT_TRUE(x.WindowNamed(QStringLiteral("Orbis: Unsaved Changes")))
        << "the journals were not offered";
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_FALSE(QFile::exists(folder.filePath("run-1-1-0.lock")))
        << "the empty lock was taken for a live one";
    EXPECT_EQ(folder.entryList({"run-*.ocont2"}).size(), 2) << "unanswered, both stay";
}
