// OSC feedback to a target of the test's own: a change reaches it whatever made it, a flood
// goes out within the cap and ends on the last values, and a target nobody listens on is
// marked, sent nothing more, and retried with a later change.
#include "support/MainWindowFixture.h"

#include "model/ControllerFile.h"
#include "model/ParameterTable.h"
#include "osc/OscControl.h"
#include "osc/OscMessage.h"
#include "program/CNetworkControl.h"
#include "program/COscFeedback.h"
#include "program/CUndoHistory.h"
#include "program/DocumentNotices.h"
#include "settings/CNetworkControlDlg.h"

#include <QTableWidget>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QUndoStack>

#include <map>

#include <sys/socket.h>

namespace {

using Arguments = std::vector<OscArgument>;

class FeedbackTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Start();
        ASSERT_TRUE(target.bind(QHostAddress::LocalHost, 0));
        // Arrival times from the kernel, so that when the test reads does not matter.
        const int on = 1;
        ::setsockopt(static_cast<int>(target.socketDescriptor()), SOL_SOCKET, SO_TIMESTAMP, &on,
                     sizeof on);
        Target({QStringLiteral("127.0.0.1:%1").arg(target.localPort())});
    }
    void Target(const QStringList& targets) {
        CNetworkControl::Stored stored;
        stored.feedbackTargets = targets;
        CNetworkControl::Save(stored);
        app->UseFeedback(CNetworkControl::Load());
    }
    // Reads what arrived: the latest arguments by address, and each arrival's time in ns.
    void Receive() {
        char data[1024];
        char control[CMSG_SPACE(sizeof(timeval))];
        iovec io{data, sizeof data};
        msghdr header{};
        header.msg_iov = &io;
        header.msg_iovlen = 1;
        for (;;) {
            header.msg_control = control;
            header.msg_controllen = sizeof control;
            const auto size =
                ::recvmsg(static_cast<int>(target.socketDescriptor()), &header, MSG_DONTWAIT);
            if (size < 0) {
                return;
            }
            const cmsghdr* stamp = CMSG_FIRSTHDR(&header);
            ASSERT_TRUE(stamp && stamp->cmsg_type == SO_TIMESTAMP);
            const auto* time = reinterpret_cast<const timeval*>(CMSG_DATA(stamp));
            arrivals.push_back(qint64{time->tv_sec} * 1'000'000'000 + time->tv_usec * 1000);
            if (const auto message = DecodeOsc(data, static_cast<std::size_t>(size))) {
                latest[message->path] = message->arguments;
            }
        }
    }
    bool Arrived(const std::string& path, const Arguments& arguments) {
        return QTest::qWaitFor([&] {
            Receive();
            return latest[path] == arguments;
        });
    }
    Arguments Xyz(int c) {
        return {static_cast<float>(CoordinateFromPosition(Doc().XPosition[c])),
                static_cast<float>(CoordinateFromPosition(Doc().YPosition[c])),
                static_cast<float>(CoordinateFromPosition(Doc().ZPosition[c]))};
    }

    QUdpSocket target;
    std::map<std::string, Arguments> latest;
    std::vector<qint64> arrivals;
};

} // namespace

TEST_F(FeedbackTest, EveryChangeReachesTheTargetWhateverMadeIt) {
    QUdpSocket client;
    CNetworkControl::Stored control;
    control.enabled = true;
    {
        QUdpSocket probe; // a port free for the receiver
        ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
        control.port = probe.localPort();
    }
    ASSERT_TRUE(app->Network().Use(control));
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("moved.ocont2"));
    CControllerDoc moved;
    moved.XPosition[0] = 10;
    ASSERT_TRUE(WriteControllerFile(moved, QFile::encodeName(file).toStdString()));
    const std::pair<const char*, std::function<void()>> origins[] = {
        {"another OSC client",
         [&] {
             const std::vector<char> datagram = EncodeOsc({"/orbis/ch/2/InputLevel", {33}});
             client.writeDatagram(datagram.data(), std::ssize(datagram), QHostAddress::LocalHost,
                                  app->Network().Receiver().Port());
         }},
        {"a gesture",
         [&] {
             Control(ControlId::ZPosition)->setFocus();
             QTest::keyClick(Control(ControlId::ZPosition), Qt::Key_Up);
         }},
        {"an undo", [&] { app->History().Stack().undo(); }},
        {"a load", [&] { ReadStartDocument(Doc(), file, std::nullopt); }},
    };
    for (const auto& [origin, change] : origins) {
        SCOPED_TRACE(origin);
        const std::vector<int> before = Doc().Values();
        change();
        ASSERT_TRUE(QTest::qWaitFor([&] { return Doc().Values() != before; }));
        if (std::string(origin) == "another OSC client") {
            EXPECT_TRUE(Arrived("/orbis/ch/2/InputLevel", {33}));
        } else {
            EXPECT_TRUE(Arrived("/adm/obj/1/xyz", Xyz(0))) << Doc().ZPosition[0];
        }
    }
    EXPECT_EQ(Doc().XPosition[0], 10);
}

TEST_F(FeedbackTest, AFloodGoesOutWithinTheCapAndEndsOnTheLastValues) {
    for (int i = 0; i < 5000; ++i) {
        Doc().Set(KeyOf(&CControllerDoc::InputLevel, i % 8), i * 7 % 128, ChangeOrigin::Live);
        Doc().Set(KeyOf(&CControllerDoc::XPosition, i % 8), i * 3 % 128, ChangeOrigin::Live);
        if (i % 20 == 0) {
            QCoreApplication::processEvents();
            Receive();
        }
    }
    for (int c = 0; c < 8; ++c) {
        EXPECT_TRUE(Arrived("/adm/obj/" + std::to_string(c + 1) + "/xyz", Xyz(c)));
        EXPECT_TRUE(Arrived("/orbis/ch/" + std::to_string(c + 1) + "/InputLevel",
                            {std::int32_t{Doc().InputLevel[c]}}));
    }
    for (std::size_t first = 0, end = 0; end < arrivals.size(); ++end) {
        while (arrivals[end] - arrivals[first] >= 1'000'000'000) {
            ++first;
        }
        ASSERT_LE(end - first + 1, std::size_t{COscFeedback::kMessagesPerSecond}) << end;
    }
}

TEST_F(FeedbackTest, AnUnreachableTargetIsMarkedSentNothingMoreAndRetriedLater) {
    quint16 nobody = 0;
    {
        QUdpSocket probe;
        ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
        nobody = probe.localPort();
    }
    Target({QStringLiteral("127.0.0.1:%1").arg(target.localPort()),
            QStringLiteral("127.0.0.1:%1").arg(nobody)});
    CNetworkControlDlg dialog(*app, *window);
    const auto* list = dialog.findChild<QTableWidget*>(QStringLiteral("FeedbackTargets"));
    const auto state = [&] { return app->Feedback().States().at(1); };
    Doc().Set(KeyOf(&CControllerDoc::InputLevel, 0), 1, ChangeOrigin::Live);
    ASSERT_TRUE(QTest::qWaitFor([&] { return state().unreachable; }));
    EXPECT_EQ(list->item(1, 2)->text(), QStringLiteral("unreachable"));
    const quint64 sent = state().sent;
    QElapsedTimer flood;
    flood.start();
    for (int i = 0; i < 1000; ++i) {
        Doc().Set(KeyOf(&CControllerDoc::InputLevel, i % 8), i % 128, ChangeOrigin::Live);
        if (i % 20 == 0) {
            QCoreApplication::processEvents();
        }
    }
    EXPECT_TRUE(Arrived("/orbis/ch/8/InputLevel", {std::int32_t{Doc().InputLevel[7]}}));
    EXPECT_LE(state().sent, sent + 1 + quint64(flood.elapsed() / COscFeedback::kRetryMs));

    // Someone listens there now: the first change a retry later reaches it.
    QUdpSocket listener;
    ASSERT_TRUE(listener.bind(QHostAddress::LocalHost, nobody));
    QTest::qWait(COscFeedback::kRetryMs);
    Doc().Set(KeyOf(&CControllerDoc::InputLevel, 0), 2, ChangeOrigin::Live);
    EXPECT_TRUE(QTest::qWaitFor([&] { return listener.hasPendingDatagrams(); }));
    EXPECT_FALSE(state().unreachable);
    EXPECT_TRUE(list->item(1, 2)->text().endsWith(QStringLiteral(" sent")));
}
