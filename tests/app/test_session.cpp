// Orbis in a session: a stand-in manager of the test's own speaks the session protocol over
// UDP on the loopback. The exchanges a manager has with the program, as one table walked in
// order; a manager that refuses; messages from anyone but the manager; and the real program
// hidden, shown and ended by SIGTERM as a manager does.
#include "support/MainWindowFixture.h"

#include "model/ParameterTable.h"
#include "osc/OscMessage.h"
#include "program/CCueEngine.h"
#include "program/CSessionLink.h"
#include "ui/CWindowQuestions.h"

#include <QFileInfo>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <csignal>
#include <deque>
#include <functional>

namespace {

class StandInManager {
public:
    StandInManager() { EXPECT_TRUE(m_socket.bind(QHostAddress::LocalHost, 0)); }
    QString Url() const {
        return QStringLiteral("osc.udp://127.0.0.1:%1/").arg(m_socket.localPort());
    }

    // Sends to the program from `from` (the manager's own port unless another is given).
    void Send(const OscMessage& message, QUdpSocket* from = nullptr) {
        const std::vector<char> datagram = EncodeOsc(message);
        (from ? from : &m_socket)
            ->writeDatagram(datagram.data(), static_cast<qint64>(datagram.size()), m_client,
                            m_clientPort);
    }
    // The next message from the program, or an empty one after `ms` of silence.
    OscMessage Next(int ms = 5000) {
        static_cast<void>(QTest::qWaitFor([this] { return Receive(); }, ms));
        if (m_received.empty()) {
            return {};
        }
        OscMessage next = m_received.front();
        m_received.pop_front();
        return next;
    }

private:
    bool Receive() {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_socket.receiveDatagram();
            m_client = datagram.senderAddress();
            m_clientPort = static_cast<quint16>(datagram.senderPort());
            const QByteArray data = datagram.data();
            if (auto message = DecodeOsc(data.constData(), static_cast<std::size_t>(data.size()))) {
                m_received.push_back(*message);
            }
        }
        return !m_received.empty();
    }

    QUdpSocket m_socket;
    QHostAddress m_client;
    quint16 m_clientPort = 0;
    std::deque<OscMessage> m_received;
};

std::string Quoted(const OscMessage& m) {
    std::string text = m.path;
    for (std::size_t i = 0; i < m.arguments.size(); ++i) {
        text += ' ';
        if (const std::string* s = m.String(i)) {
            text += '"' + *s + '"';
        } else if (const auto n = m.Int(i)) {
            text += std::to_string(*n);
        }
    }
    return text;
}

class SessionTest : public MainWindowTest {
protected:
    // Starts the window in the stand-in's session; `answer` replies to the announce.
    void Join(bool answer = true) {
        Start(manager.Url());
        EXPECT_EQ(Quoted(manager.Next()),
                  "/nsm/server/announce \"Orbis\" \":switch:dirty:optional-gui:message:\" \"" +
                      QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString() +
                      "\" 1 1 " + std::to_string(QCoreApplication::applicationPid()));
        if (answer) {
            manager.Send({"/reply", {"/nsm/server/announce", "hi", "Stand-in", ":"}});
            EXPECT_EQ(manager.Next().path, "/nsm/client/gui_is_shown");
        }
    }
    std::string Path(const char* name) const {
        return QDir(folder.path()).filePath(QString::fromLatin1(name)).toStdString();
    }
    std::string FileText(const char* name) const {
        QFile file(QString::fromStdString(Path(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }

    QTemporaryDir folder;
    StandInManager manager;
};

struct Exchange {
    const char* what;
    OscMessage send;                  // nothing to send when its path is empty
    std::vector<std::string> answers; // what the program says, in order, by prefix
    std::function<void()> act = {};   // done before sending
};

} // namespace

TEST_F(SessionTest, TheManagerOpensSavesSwitchesAndShowsTheProgram) {
    QSettings(CControllerApp::SettingsFileName(), QSettings::NativeFormat)
        .setValue(QStringLiteral("Last Document"), QStringLiteral("/shows/elsewhere.ocont2"));
    Join();
    const std::string a = Path("Orbis.nA");
    const std::string b = Path("Orbis.nB");
    const Exchange exchanges[] = {
        {"a new member of the session",
         {"/nsm/client/open", {a, "Orbis", "nA"}},
         {"/reply \"/nsm/client/open\"", "/nsm/client/is_clean"}},
        {"a change is told at once",
         {},
         {"/nsm/client/is_dirty"},
         [this] {
             Doc().Set(KeyOf(&CControllerDoc::InputLevel, 0), 17, ChangeOrigin::Gesture);
             app->Cues().Record(CueList::kAtFront, 0xFF, 0x7F);
         }},
        {"the save",
         {"/nsm/client/save", {}},
         {"/nsm/client/is_clean", "/reply \"/nsm/client/save\""}},
        {"a switch to a new member",
         {"/nsm/client/open", {b, "Orbis", "nB"}},
         {"/reply \"/nsm/client/open\"", "/nsm/client/is_clean"}},
        {"a switch back",
         {"/nsm/client/open", {a, "Orbis", "nA"}},
         {"/reply \"/nsm/client/open\"", "/nsm/client/is_clean"},
         [this] { EXPECT_TRUE(app->Cues().Cues().empty()) << "a member without cues has none"; }},
        {"hidden", {"/nsm/client/hide_optional_gui", {}}, {"/nsm/client/gui_is_hidden"}},
        {"shown", {"/nsm/client/show_optional_gui", {}}, {"/nsm/client/gui_is_shown"}},
        {"the window closed", {}, {"/nsm/client/gui_is_hidden"}, [this] { window->close(); }},
    };
    for (const Exchange& exchange : exchanges) {
        SCOPED_TRACE(exchange.what);
        if (exchange.act) {
            exchange.act();
        }
        if (!exchange.send.path.empty()) {
            manager.Send(exchange.send);
        }
        for (const std::string& answer : exchange.answers) {
            std::string said = Quoted(manager.Next());
            if (said.starts_with("/reply")) {
                said = said.substr(0, said.find('"', 8) + 1); // the request it answers
            }
            EXPECT_EQ(said.substr(0, answer.size()), answer);
        }
    }
    EXPECT_FALSE(window->isVisible()) << "closed in a session, the window hides";
    EXPECT_FALSE(app->CloseRequested());
    EXPECT_EQ(Doc().Name(), a + ".ocont2");
    EXPECT_EQ(Doc().InputLevel[0], 17) << "the switch back opened the saved change";
    EXPECT_NE(FileText("Orbis.nA.ocont2").find("17"), std::string::npos);
    EXPECT_FALSE(FileText("Orbis.nB.ocont2").empty()) << "a new member is written at once";
    EXPECT_EQ(app->Cues().Cues().size(), 1u) << "the switch back read the cue list saved";
    EXPECT_FALSE(app->Cues().IsModified());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Path("Orbis.nB.oshow"))));
    app->WriteLastDocument();
    EXPECT_EQ(QSettings(CControllerApp::SettingsFileName(), QSettings::NativeFormat)
                  .value(QStringLiteral("Last Document")),
              QStringLiteral("/shows/elsewhere.ocont2"))
        << "the session's document is not the last document";
}

TEST_F(SessionTest, OnlyTheManagerSteersAndAFailedSaveIsAnErrorNamingWhy) {
    Join();
    QUdpSocket stranger;
    ASSERT_TRUE(stranger.bind(QHostAddress::LocalHost, 0));
    manager.Send({"/nsm/client/open", {Path("Orbis.nX"), "Orbis", "nX"}}, &stranger);
    EXPECT_EQ(manager.Next(300).path, "") << "a stranger's open is not answered";
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("Orbis.nX.ocont2"))));

    // A document whose file is a folder cannot be opened; one whose file became a folder
    // cannot be saved: both are errors that say why.
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("Orbis.nF.ocont2")));
    manager.Send({"/nsm/client/open", {Path("Orbis.nF"), "Orbis", "nF"}});
    EXPECT_EQ(Quoted(manager.Next()).substr(0, 29), "/error \"/nsm/client/open\" -9 ");
    manager.Send({"/nsm/client/open", {Path("Orbis.nG"), "Orbis", "nG"}});
    EXPECT_EQ(manager.Next().path, "/reply");
    EXPECT_EQ(manager.Next().path, "/nsm/client/is_clean");
    ASSERT_TRUE(QFile::remove(QString::fromStdString(Path("Orbis.nG.ocont2"))));
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("Orbis.nG.ocont2")));
    manager.Send({"/nsm/client/save", {}});
    const std::string failed = Quoted(manager.Next());
    EXPECT_EQ(failed.substr(0, 43), "/error \"/nsm/client/save\" -1 \"cannot write ") << failed;
}

// Only an absolute path names a member's file: nothing lands in the working folder. A folder
// that cannot be made is an error that says why.
TEST_F(SessionTest, OpensOfNoAbsolutePathOrNoFolderAreErrors) {
    Join();
    ASSERT_TRUE(QFile(QString::fromStdString(Path("file"))).open(QIODevice::WriteOnly));
    for (const auto& [path, answer] : {std::pair{std::string(), "-9 "},
                                       {std::string("Orbis.nRel"), "-9 "},
                                       {Path("file") + "/Orbis.nZ", "-10 \"cannot write "}}) {
        manager.Send({"/nsm/client/open", {path, "Orbis", "nX"}});
        const std::string said = Quoted(manager.Next());
        EXPECT_TRUE(said.starts_with("/error \"/nsm/client/open\" " + std::string(answer))) << said;
        EXPECT_FALSE(said.ends_with(": \"")) << said;
    }
    EXPECT_FALSE(QFile::exists(QStringLiteral(".ocont2")));
    EXPECT_FALSE(QFile::exists(QStringLiteral("Orbis.nRel.ocont2")));
}

TEST_F(SessionTest, AManagerThatRefusesLeavesTheProgramAsWithoutOne) {
    Join(false);
    manager.Send({"/error", {"/nsm/server/announce", -2, "incompatible"}});
    EXPECT_TRUE(QTest::qWaitFor([this] { return app->Session() == nullptr; }, 5000));
    EXPECT_TRUE(window->isVisible());
}

// The real program as a manager starts it: hidden and shown it runs on, and SIGTERM ends
// it at once with exit code 0.
TEST_F(SessionTest, TheRealProgramHidesShowsAndEndsOnSigterm) {
    QTemporaryDir home;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("NSM_URL"), manager.Url());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(ORBIS_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted(5000));
    EXPECT_EQ(manager.Next(10000).path, "/nsm/server/announce");
    manager.Send({"/reply", {"/nsm/server/announce", "hi", "Stand-in", ":"}});
    EXPECT_EQ(manager.Next().path, "/nsm/client/gui_is_shown");
    manager.Send({"/nsm/client/open", {Path("Orbis.nR"), "Orbis", "nR"}});
    EXPECT_EQ(manager.Next().path, "/reply");
    manager.Send({"/nsm/client/hide_optional_gui", {}});
    EXPECT_EQ(manager.Next().path, "/nsm/client/is_clean");
    EXPECT_EQ(manager.Next().path, "/nsm/client/gui_is_hidden");
    EXPECT_FALSE(program.waitForFinished(500)) << "a hidden program runs on";
    manager.Send({"/nsm/client/show_optional_gui", {}});
    EXPECT_EQ(manager.Next().path, "/nsm/client/gui_is_shown");
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(Path("Orbis.nR.ocont2"))));
}

// Changes a session's program was ended with come back when that session opens again, and
// in no other start.
TEST_F(SessionTest, UnsavedChangesComeBackOnlyInTheSameSession) {
    // Journals of its own, apart from those other tests leave.
    const bool dataSet = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", folder.path().toLocal8Bit());
    Join();
    const std::string a = Path("Orbis.nA");
    manager.Send({"/nsm/client/open", {a, "Orbis", "nA"}});
    ASSERT_TRUE(QTest::qWaitFor([this] { return Doc().Name().ends_with("nA.ocont2"); }));
    Doc().Set(KeyOf(&CControllerDoc::InputLevel, 0), 17, ChangeOrigin::Gesture);
    QTimer::singleShot(0, [this] { app->RequestClose(); }); // SIGTERM from the manager
    QCoreApplication::exec();
    Stop();

    for (const std::string& session : {std::string(), Path("Orbis.nB.ocont2"), a + ".ocont2"}) {
        SCOPED_TRACE(session);
        CControllerDoc doc;
        CDocumentGuard guard;
        guard.BeginRun();
        guard.SetSessionDocument(session);
        QString asked;
        const QPointer<QTimer> answer = ClickWhenShown<QDialog>(QStringLiteral("Restore"), &asked);
        CWindowQuestions questions;
        const bool restored = guard.OfferRecovery(doc, questions);
        delete answer;
        EXPECT_EQ(restored, session == a + ".ocont2");
        EXPECT_EQ(doc.InputLevel[0], restored ? 17 : 100);
    }
    if (dataSet) {
        qputenv("XDG_DATA_HOME", data);
    } else {
        qunsetenv("XDG_DATA_HOME");
    }
}
