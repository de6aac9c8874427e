// OSCQuery against real sockets on 127.0.0.1: the JSON of the tree, a node, an attribute and
// the host, what is refused, LISTEN and IGNORE with the values paced per node, the Avahi
// announcement where no daemon answers, and a move over OSC reaching a listener through the
// running program.
#include "support/EventLoop.h"
#include "support/MemoryMidiBackend.h"

#include "model/CControllerDoc.h"
#include "model/ParameterTable.h"
#include "oscquery/CAvahiAnnouncer.h"
#include "oscquery/COscQueryServer.h"
#include "program/CControllerApp.h"
#include "program/CommandLine.h"

#include <QDBusMetaType>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QWebSocket>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

const std::string kXyz = "/adm/obj/1/xyz";

struct Answer {
    int status = 0;
    QByteArray body;
};

// A GET by hand, so that Host and Origin are what the row says.
Answer Get(quint16 port, const QByteArray& target, const QByteArray& host,
           const QByteArray& origin = {}) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    EXPECT_TRUE(socket.waitForConnected(5000));
    QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    if (!origin.isEmpty()) {
        request += "Origin: " + origin + "\r\n";
    }
    socket.write(request + "\r\n");
    QByteArray whole;
    Answer answer;
    const bool complete = ProcessEventsUntil([&] {
        whole += socket.readAll();
        const qsizetype end = whole.indexOf("\r\n\r\n");
        if (end < 0) {
            return false;
        }
        answer.status = whole.mid(9, 3).toInt();
        const qsizetype length = whole.indexOf("Content-Length: ");
        const int size =
            length < 0 || length > end
                ? 0
                : whole.mid(length + 16, whole.indexOf('\r', length) - length - 16).toInt();
        answer.body = whole.mid(end + 4);
        return answer.body.size() >= size;
    });
    EXPECT_TRUE(complete) << whole.toStdString();
    return answer;
}

QJsonObject Json(const QByteArray& body) {
    return QJsonDocument::fromJson(body).object();
}

// Whether `answer` holds everything `expected` does (objects compared key by key), and
// nothing where `expected` says {"none": "none"}.
bool Holds(const QJsonObject& answer, const QJsonObject& expected) {
    const QJsonObject none = {{"none", "none"}};
    for (auto want = expected.begin(); want != expected.end(); ++want) {
        const QJsonValue got = answer.value(want.key());
        if (want.value() == none ? !got.isUndefined()
            : want.value().isObject()
                ? !got.isObject() || !Holds(got.toObject(), want.value().toObject())
                : got != want.value()) {
            return false;
        }
    }
    return true;
}

// A WebSocket client keeping every OSC message it was sent.
struct Listener {
    // `wait`: until the socket is open.
    explicit Listener(quint16 port, bool wait = true) {
        QObject::connect(&socket, &QWebSocket::disconnected, [this] { closed = true; });
        QObject::connect(&socket, &QWebSocket::binaryMessageReceived,
                         [this](const QByteArray& frame) {
                             if (const auto message = DecodeOsc(frame.data(), frame.size())) {
                                 messages.push_back(*message);
                             }
                         });
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/").arg(port)));
        EXPECT_TRUE(!wait || ProcessEventsUntil([this] {
            return socket.state() == QAbstractSocket::ConnectedState;
        }));
    }
    void Command(const char* command, const std::string& path) {
        socket.sendTextMessage(
            QJsonDocument(QJsonObject{{"COMMAND", command}, {"DATA", QString::fromStdString(path)}})
                .toJson(QJsonDocument::Compact));
    }
    QWebSocket socket;
    std::vector<OscMessage> messages;
    bool closed = false;
};

class OscQueryServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        COscQueryServer::Settings settings;
        settings.oscPort = 9123;
        QString why;
        ASSERT_TRUE(server.Start(settings, &why)) << why.toStdString();
        port = server.Port();
        here = "127.0.0.1:" + QByteArray::number(port);
        doc.Subscribe([this](const DocumentChanges& changes) { server.Changed(changes); });
    }
    // A listener on `paths`, once the server has taken its commands.
    std::unique_ptr<Listener> Listening(const std::vector<std::string>& paths) {
        auto listener = std::make_unique<Listener>(port);
        for (const std::string& path : paths) {
            listener->Command("LISTEN", path);
        }
        // Object 1 moves until a message comes: the commands were taken.
        EXPECT_TRUE(ProcessEventsUntil([&] {
            Move(0, doc.XPosition[0] == 10 ? 11 : 10);
            return !listener->messages.empty();
        }));
        listener->messages.clear();
        return listener;
    }
    void Move(int channel, int x) {
        doc.Set(KeyOf(&CControllerDoc::XPosition, channel), x, ChangeOrigin::Live);
    }

    CControllerDoc doc;
    COscQueryServer server{doc};
    quint16 port = 0;
    QByteArray here;
};

} // namespace

TEST_F(OscQueryServerTest, HttpAnswers) {
    // Positions 127, 0 and 64 are the coordinates 1, -1 and 0.
    Move(0, 127);
    doc.Set(KeyOf(&CControllerDoc::YPosition, 0), 0, ChangeOrigin::Live);
    doc.Set(KeyOf(&CControllerDoc::ZPosition, 0), 64, ChangeOrigin::Live);
    const QByteArray xyz = QByteArray::fromStdString(kXyz);
    const QByteArray local = "localhost:" + QByteArray::number(port);
    const QJsonArray value = {1, -1, 0};
    const QJsonObject unit = {{"MIN", -1}, {"MAX", 1}};
    const QJsonObject none = {{"none", "none"}}; // no such key: the answer must leave it out
    struct Row {
        QByteArray target;
        QByteArray host;
        QByteArray origin;
        int status;
        QJsonObject holds; // what the answer holds, among other things
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"/", here, {}, 200,
         {{"FULL_PATH", "/"},
          {"CONTENTS", QJsonObject{{"adm", QJsonObject{{"FULL_PATH", "/adm"}}},
                                   {"orbis", QJsonObject{{"FULL_PATH", "/orbis"}}}}}}},
        {xyz, here, {}, 200,
         {{"FULL_PATH", QString::fromStdString(kXyz)}, {"TYPE", "fff"}, {"ACCESS", 3},
          {"VALUE", value}, {"RANGE", QJsonArray{unit, unit, unit}},
          {"CONTENTS", none}}},
        {xyz + "?VALUE", local, {}, 200, {{"VALUE", value}, {"TYPE", none}}},
        {xyz + "?TYPE", here, "http://" + here, 200, {{"TYPE", "fff"}, {"VALUE", none}}},
        {"/?HOST_INFO", here, {}, 200,
         {{"NAME", "Orbis"}, {"OSC_PORT", 9123}, {"OSC_TRANSPORT", "UDP"}, {"WS_PORT", port},
          {"EXTENSIONS", QJsonObject{{"LISTEN", true}, {"VALUE", true}, {"TAGS", false}}}}},
        {"/adm/obj/1/azim", here, {}, 200,
         {{"UNIT", QJsonArray{"angle.deg"}},
          {"RANGE", QJsonArray{QJsonObject{{"MIN", -180}, {"MAX", 180}}}}}},
        {"/orbis/cue/fire", here, {}, 200,
         {{"ACCESS", 2}, {"TYPE", "f"}, {"VALUE", none}, {"UNIT", none}}},
        {"/orbis/cue/fire?VALUE", here, {}, 204, {}},
        {"/adm/obj?VALUE", here, {}, 204, {}},
        {xyz + "?NONSENSE", here, {}, 400, {}},
        {"/adm/obj/9/xyz", here, {}, 404, {}},
        {"/nowhere", here, {}, 404, {}},
        {"/", "attacker.example:" + QByteArray::number(port), {}, 403, {}},
        {"/?HOST_INFO", "127.0.0.1:" + QByteArray::number(port + 1), {}, 403, {}},
        {"/", here, "http://attacker.example", 403, {}},
        {"/", here, "https://" + here, 403, {}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.target.toStdString() + " " + row.host.toStdString() + " " +
                     row.origin.toStdString());
        const Answer answer = Get(port, row.target, row.host, row.origin);
        EXPECT_EQ(answer.status, row.status) << answer.body.toStdString();
        EXPECT_TRUE(Holds(Json(answer.body), row.holds)) << answer.body.toStdString();
    }
}

TEST(OscQueryPeers, OnlyThoseTheReceiverTakesFrom) {
    const QList<QHostAddress> listed = {QHostAddress(QStringLiteral("10.0.0.2"))};
    struct Row {
        const char* peer;
        QList<QHostAddress> allowed;
        bool taken;
    };
    const Row rows[] = {
        {"10.0.0.2", listed, true},  {"::ffff:10.0.0.2", listed, true},
        {"10.0.0.3", listed, false}, {"127.0.0.1", listed, true},
        {"::1", listed, true},       {"192.168.1.9", {}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.peer);
        EXPECT_EQ(
            COscQueryServer::PeerAllowed(QHostAddress(QString::fromLatin1(row.peer)), row.allowed),
            row.taken);
    }
}

TEST_F(OscQueryServerTest, ListenAndIgnore) {
    const std::string other = "/adm/obj/2/xyz";
    auto listener = Listening({kXyz, other});
    Move(0, 30);
    ASSERT_TRUE(ProcessEventsUntil([&] { return listener->messages.size() == 1; }));
    EXPECT_EQ(listener->messages[0], (OscMessage{kXyz, OscValueOf(doc, *FindOscNode(1, kXyz))}));

    // Once ignored, a change of object 1 is not sent; one of object 2 is. A third node listened
    // to after IGNORE tells when the server has taken it.
    listener->Command("IGNORE", kXyz);
    listener->Command("NONSENSE", other);
    listener->socket.sendTextMessage(QStringLiteral("not json"));
    listener->Command("LISTEN", "/adm/obj/3/xyz");
    ASSERT_TRUE(ProcessEventsUntil([&] {
        Move(2, doc.XPosition[2] == 40 ? 41 : 40);
        return !listener->messages.empty() && listener->messages.back().path == "/adm/obj/3/xyz";
    }));
    listener->messages.clear();
    Move(0, 50);
    Move(1, 50);
    ASSERT_TRUE(ProcessEventsUntil([&] {
        return std::any_of(listener->messages.begin(), listener->messages.end(),
                           [&](const OscMessage& message) { return message.path == other; });
    }));
    for (const OscMessage& message : listener->messages) {
        EXPECT_NE(message.path, kXyz);
    }
}

TEST_F(OscQueryServerTest, SocketsOverTheLimitsAreClosed) {
    std::vector<std::unique_ptr<Listener>> listeners;
    for (int i = 0; i < COscQueryServer::kMaxClients; ++i) {
        listeners.push_back(std::make_unique<Listener>(port));
    }
    ASSERT_TRUE(
        ProcessEventsUntil([&] { return server.Clients() == COscQueryServer::kMaxClients; }));
    struct Row {
        const char* name;
        std::function<void(Listener&)> send; // nothing: the socket is one too many
    };
    const std::vector<Row> rows = {
        {"the seventeenth client", nullptr},
        {"a frame over 4 KB",
         [](Listener& listener) {
             listener.Command("LISTEN", "/" + std::string(COscQueryServer::kMaxFrameBytes, 'a'));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Listener& listener = row.send
                                 ? *listeners.front()
                                 : *listeners.emplace_back(std::make_unique<Listener>(port, false));
        if (row.send) {
            row.send(listener);
        }
        EXPECT_TRUE(ProcessEventsUntil([&] { return listener.closed; }));
    }
}

TEST_F(OscQueryServerTest, ValuesAreCoalescedAndPaced) {
    auto listener = Listening({kXyz});
    // Changes in one pass of the event loop are one message with the last of them, even when
    // the node may be sent again at once.
    ProcessEventsUntil([] { return false; }, 50);
    listener->messages.clear();
    for (int x = 0; x < 50; ++x) {
        Move(0, x);
    }
    ASSERT_TRUE(ProcessEventsUntil([&] { return !listener->messages.empty(); }));
    ProcessEventsUntil([] { return false; }, 100);
    ASSERT_EQ(listener->messages.size(), 1u);
    EXPECT_EQ(listener->messages[0].arguments, OscValueOf(doc, *FindOscNode(1, kXyz)));

    // A change every pass for a while: no more than 60 a second, and the last value last.
    listener->messages.clear();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 400; ++i) {
        Move(0, 60 + i % 60);
        QCoreApplication::processEvents();
        QThread::usleep(1000);
    }
    Move(0, 127);
    ProcessEventsUntil([&] {
        return !listener->messages.empty() &&
               listener->messages.back().arguments == OscValueOf(doc, *FindOscNode(1, kXyz));
    });
    const double seconds = static_cast<double>(clock.elapsed()) / 1000;
    EXPECT_LE(static_cast<double>(listener->messages.size()),
              seconds * COscQueryServer::kValuesPerSecond + 2);
    EXPECT_GE(listener->messages.size(), 2u);
    EXPECT_EQ(listener->messages.back().arguments, OscValueOf(doc, *FindOscNode(1, kXyz)));
}

TEST(OscQueryAvahi, NothingHappensWithoutADaemon) {
    const QDBusMessage call = CAvahiAnnouncer::AddServiceCall(
        QDBusObjectPath(QStringLiteral("/Client1/EntryGroup1")), QStringLiteral("Orbis"),
        QStringLiteral("_oscjson._tcp"), 9001);
    QString signature;
    for (const QVariant& argument : call.arguments()) {
        signature += QString::fromLatin1(QDBusMetaType::typeToSignature(argument.metaType()));
    }
    EXPECT_EQ(signature, QStringLiteral("iiussssqaay"));
    EXPECT_EQ(call.arguments().at(7).value<quint16>(), 9001);
    EXPECT_FALSE(call.autoStartService());

    // The test machine runs no Avahi daemon: the announcement comes to nothing, quietly.
    CAvahiAnnouncer announcer;
    announcer.Announce(QStringLiteral("Orbis"), 9001, 9000);
    ProcessEventsUntil([] { return false; }, 300);
    EXPECT_FALSE(announcer.Announced());
    announcer.Withdraw();
}

TEST(OscQueryProgram, AMoveOverOscReachesAListener) {
    MemoryMidiBackend midi;
    CControllerApp app(midi);
    QUdpSocket probe;
    ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
    const int oscPort = probe.localPort();
    probe.close();
    QTcpServer tcpProbe;
    ASSERT_TRUE(tcpProbe.listen(QHostAddress::LocalHost, 0));
    const int queryPort = tcpProbe.serverPort();
    tcpProbe.close();

    // The command line's port for this run; the OSC receiver must listen for it to serve.
    app.UseNetworkCommandLine(ParseCommandLine({"--oscquery-port", std::to_string(queryPort)}));
    EXPECT_FALSE(app.OscQuery().Use(app.OscQuerySettings()));
    CNetworkControl::Stored osc;
    osc.enabled = true;
    osc.port = oscPort;
    QString why;
    ASSERT_TRUE(app.Network().Use(osc, &why)) << why.toStdString();
    ASSERT_TRUE(app.OscQuery().Use(app.OscQuerySettings(), &why)) << why.toStdString();
    const auto port = static_cast<quint16>(queryPort);
    const QByteArray host = "127.0.0.1:" + QByteArray::number(port);
    EXPECT_EQ(Json(Get(port, "/?HOST_INFO", host).body)["OSC_PORT"], oscPort);

    Listener listener(port);
    listener.Command("LISTEN", kXyz);
    QUdpSocket sender;
    const auto send = [&](float x) {
        const std::vector<char> move = EncodeOsc({kXyz, {x, -1.0f, 0.0f}});
        sender.writeDatagram(move.data(), static_cast<qint64>(move.size()), QHostAddress::LocalHost,
                             static_cast<quint16>(oscPort));
    };
    // Moves until one reaches the listener: its LISTEN was taken. Then the one that counts.
    for (int i = 0; i < 100 && listener.messages.empty(); ++i) {
        send(i % 2 == 0 ? 0.1f : 0.2f);
        ProcessEventsUntil([&] { return !listener.messages.empty(); }, 50);
    }
    ASSERT_FALSE(listener.messages.empty());
    send(0.5f);
    EXPECT_TRUE(ProcessEventsUntil([&] {
        return app.Doc().XPosition[0] == 95 &&
               listener.messages.back() ==
                   OscMessage{kXyz, OscValueOf(app.Doc(), *FindOscNode(1, kXyz))};
    }));
}
