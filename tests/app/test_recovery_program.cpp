// The real program and its recovery journal on an X server of the test's own: a display lost
// after a change leaves a journal that the next start restores, and what lies in the journal
// folder neither hides a journal nor holds up the start.
#include "support/PrivateXServer.h"
#include "support/WhenShown.h"

#include "app/CDocumentGuard.h"
#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace {

// A fresh home for one run of the program on display, and the folder its journals go to.
class ProgramRun {
public:
    explicit ProgramRun(const QString& display) {
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_environment.insert(QStringLiteral("DISPLAY"), display);
        m_environment.insert(QStringLiteral("HOME"), m_home.path());
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath("config"));
        m_environment.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath("data"));
        m_environment.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath("cache"));
        m_environment.remove(QStringLiteral("SESSION_MANAGER"));
        m_environment.remove(QStringLiteral("NSM_URL"));
        // JACK on a server name nobody runs: no MIDI devices.
        m_environment.insert(QStringLiteral("ORBIS_MIDI_API"), QStringLiteral("jack"));
        m_environment.insert(QStringLiteral("JACK_DEFAULT_SERVER"),
                             QStringLiteral("orbis-recovery-absent-%1").arg(::getpid()));
        QDir().mkpath(JournalFolder());
    }
    ~ProgramRun() {
        if (program.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
            program.waitForFinished(10000);
        }
    }

    QString JournalFolder() const { return m_home.filePath("data/Norvell/ORBIS"); }

    bool Start() {
        program.setProcessEnvironment(m_environment);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(ORBIS_PROGRAM), {});
        return program.waitForStarted(5000);
    }

    // xdotool on the program's display; its output, or nothing when it failed or hung.
    std::optional<QString> Xdo(const QStringList& arguments, int milliseconds = 20000) const {
        QProcess xdo;
        xdo.setProcessEnvironment(m_environment);
        xdo.start(QStringLiteral("xdotool"), arguments);
        if (!xdo.waitForFinished(milliseconds)) {
            xdo.kill();
            xdo.waitForFinished(1000);
            return std::nullopt;
        }
        if (xdo.exitStatus() != QProcess::NormalExit || xdo.exitCode() != 0) {
            return std::nullopt;
        }
        return QString::fromLocal8Bit(xdo.readAllStandardOutput()).trimmed();
    }

    // The window of that title once it is mapped; nothing when it never is.
    std::optional<QString> WindowNamed(const QString& title) const {
        const auto found = Xdo({"search", "--sync", "--onlyvisible", "--name", title});
        return found ? std::optional<QString>(found->section('\n', 0, 0)) : std::nullopt;
    }

    QProcess program;

private:
    QTemporaryDir m_home;
    QProcessEnvironment m_environment;
};

// The journal files in folder.
QStringList Journals(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("run-*.ocont2")}, QDir::Files);
}

// The journal's values once the journal exists and shows a change from the defaults;
// nothing when none does within ten seconds.
std::optional<std::vector<int>> ChangedJournal(const QString& folder,
                                               const std::vector<int>& before) {
    for (int wait = 0; wait < 200; ++wait) {
        for (const QString& file : Journals(folder)) {
            const std::optional<std::string> text = ReadControllerFileText(
                QFile::encodeName(QDir(folder).filePath(file)).toStdString());
            CControllerDoc doc;
            if (text && LooksLikeControllerFile(*text)) {
                ApplyControllerFileText(doc, *text, false);
                if (doc.Values() != before) {
                    return doc.Values();
                }
            }
        }
        QThread::msleep(50);
    }
    return std::nullopt;
}

// A point in the source pad of the main window, in the window's pixels.
constexpr int kPadX = 60;
constexpr int kPadY = 160;

class RecoveryProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            GTEST_SKIP() << "xdotool is not installed";
        }
        ASSERT_FALSE(x.Display().isEmpty()) << "could not start Xvfb";
    }

    PrivateXServer x;
};

} // namespace

TEST_F(RecoveryProgramTest, ALostDisplayLeavesAJournalThatTheNextStartRestores) {
    ProgramRun run(x.Display());
    ASSERT_TRUE(run.Start());
    const std::optional<QString> window = run.WindowNamed(QStringLiteral("ORBIS CONTROLLER"));
    ASSERT_TRUE(window) << "the main window did not appear";
    // A click gives the source pad the focus; each Up moves the source, as by hand.
    const auto up = [&] {
        return run.Xdo({"mousemove", "--window", *window, QString::number(kPadX),
                        QString::number(kPadY), "click", "1", "key", "Up"});
    };
    const std::vector<int> defaults = CControllerDoc().Values();
    ASSERT_TRUE(up());
    const std::optional<std::vector<int>> first = ChangedJournal(run.JournalFolder(), defaults);
    ASSERT_TRUE(first) << "no journal of the change appeared";
    ASSERT_TRUE(up());
    x.Kill();
    ASSERT_TRUE(run.program.waitForFinished(10000)) << "the program runs on without a display";
    const QString output = QString::fromLocal8Bit(run.program.readAll());
    EXPECT_EQ(run.program.exitStatus(), QProcess::NormalExit) << "it ended by a crash";
    // A sanitizer stops a write from freed objects before it reaches the disk; it says so.
    EXPECT_FALSE(output.contains("Sanitizer")) << output.toStdString();

    const QStringList journals = Journals(run.JournalFolder());
    ASSERT_EQ(journals.size(), 1);
    const std::optional<std::string> text = ReadControllerFileText(
        QFile::encodeName(QDir(run.JournalFolder()).filePath(journals.front())).toStdString());
    ASSERT_TRUE(text);
    ASSERT_TRUE(LooksLikeControllerFile(*text)) << "the journal holds no values";
    EXPECT_FALSE(FindControllerFileGaps(*text).Any())
        << DescribeControllerFileGaps(FindControllerFileGaps(*text));
    CControllerDoc kept;
    ApplyControllerFileText(kept, *text, false);
    EXPECT_NE(kept.Values(), defaults) << "the journalled change is kept";

    // The next start.
    CDocumentGuard guard(run.JournalFolder());
    guard.BeginRun();
    const QPointer<QTimer> answer = ClickWhenShown<QDialog>(QStringLiteral("Restore"));
    CControllerDoc restored;
    EXPECT_TRUE(guard.OfferRecovery(restored, nullptr));
    delete answer;
    EXPECT_EQ(restored.Values(), kept.Values());
    guard.RemoveRecovery();
}

// A lock file that is empty (a power cut before it reached the disk) hides no journal, and a
// FIFO under a journal's name file is not waited on.
TEST_F(RecoveryProgramTest, AnEmptyLockHidesNoJournalAndAFifoDoesNotHoldUpTheStart) {
    ProgramRun run(x.Display());
    const QDir folder(run.JournalFolder());
    CControllerDoc doc;
    doc.RoomSide = 30;
    const QByteArray text = QByteArray::fromStdString(ControllerFileText(doc));
    const auto write = [&folder](const QString& name, const QByteArray& bytes) {
        QFile file(folder.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    ASSERT_TRUE(write("run-1-1-0.ocont2", text));
    ASSERT_TRUE(write("run-1-1-0.name", "/shows/power-cut.ocont2"));
    ASSERT_TRUE(write("run-1-1-0.lock", {}));
    ASSERT_TRUE(write("run-2-2-0.ocont2", text));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.filePath("run-2-2-0.name")).constData(), 0600), 0);

    ASSERT_TRUE(run.Start());
    EXPECT_TRUE(run.WindowNamed(QStringLiteral("Orbis: Unsaved Changes")))
        << "the journals were not offered";
    ::kill(static_cast<pid_t>(run.program.processId()), SIGTERM);
    ASSERT_TRUE(run.program.waitForFinished(10000));
    EXPECT_FALSE(QFile::exists(folder.filePath("run-1-1-0.lock")))
        << "the empty lock was taken for a live one";
    EXPECT_EQ(Journals(folder.path()).size(), 2) << "unanswered, both stay";
}
