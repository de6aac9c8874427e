// The remote server against real sockets on 127.0.0.1: what HTTP answers and with which
// headers, which WebSockets are closed at once, pairing by code and token with its limits,
// the client limit, the rate limit, the timeouts, and where it listens.
#include "httpguard/HttpHostGuard.h"
#include "remote/CRemoteServer.h"
#include "remote/RemotePage.h"
#include "support/EventLoop.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QWebSocket>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A close frame of code 1008 (0x03F0) without a reason.
const QByteArray kPolicyClose = QByteArray::fromHex("880203f0");

class RemoteServerTest : public ::testing::Test {
protected:
    void SetUp() override { Start({}); }
    void Start(CRemoteServer::Limits limits) {
        server = std::make_unique<CRemoteServer>(limits, [this] { return now; });
        server->SetCode(QStringLiteral("482913"));
        server->SetWelcome([] { return QJsonObject{{QStringLiteral("picture"), 7}}; });
        QObject::connect(server.get(), &CRemoteServer::commandReceived,
                         [this](const RemoteCommand& command) { commands.push_back(command); });
        QString why;
        ASSERT_TRUE(server->Start(QHostAddress::LocalHost, 0, &why)) << why.toStdString();
        port = server->Port();
    }
    std::unique_ptr<RemotePage> Paired() {
        auto page = std::make_unique<RemotePage>(port);
        EXPECT_TRUE(page->Pair(QStringLiteral("482913")));
        return page;
    }
    // The bytes a raw connection got for `request` once `done` says they are all there, or
    // the server closed it.
    QByteArray Exchange(const QByteArray& request,
                        const std::function<bool(const QByteArray&)>& done) {
        // Kept open to the test's end, so that the server's count of sockets only grows.
        QTcpSocket& socket = *kept.emplace_back(std::make_unique<QTcpSocket>());
        socket.connectToHost(QHostAddress::LocalHost, port);
        EXPECT_TRUE(socket.waitForConnected(5000));
        socket.write(request);
        QByteArray answer;
        EXPECT_TRUE(ProcessEventsUntil([&] {
            answer += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState || done(answer);
        }));
        return answer + socket.readAll();
    }
    // A WebSocket's upgrade by hand; when it is not `refused` the server is to hold `taken`
    // sockets after it.
    QByteArray Upgrade(const QByteArray& host, const QByteArray& origin, const QByteArray& path,
                       bool refused, int taken) {
        QByteArray request = "GET " + path + " HTTP/1.1\r\nHost: " + host +
                             "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                             "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                             "Sec-WebSocket-Version: 13\r\n";
        if (!origin.isEmpty()) {
            request += "Origin: " + origin + "\r\n";
        }
        // Taken: the handshake's answer and the server holding it; refused: up to its close.
        return Exchange(request + "\r\n", [this, taken, refused](const QByteArray& answer) {
            return answer.contains("\r\n\r\n") &&
                   (refused ? answer.endsWith(kPolicyClose) : server->Clients().size() == taken);
        });
    }
    QByteArray Here() const { return "127.0.0.1:" + QByteArray::number(port); }

    CRemoteServer::Clock::time_point now = CRemoteServer::Clock::now();
    std::unique_ptr<CRemoteServer> server;
    std::vector<RemoteCommand> commands;
    std::vector<std::unique_ptr<QTcpSocket>> kept;
    quint16 port = 0;
};

} // namespace

// The names both HTTP servers answer to; port 80 cannot be bound here, so its rows are the
// guard's alone.
TEST(HttpHostGuard, NamesTheBoundAddress) {
    struct Row {
        QHostAddress address;
        quint16 port;
        QByteArray host;
        bool allowed;
    };
    const QHostAddress v4(QHostAddress::LocalHost), v6(QHostAddress::LocalHostIPv6);
    const std::vector<Row> rows = {
        {v4, 8080, "127.0.0.1:8080", true},
        {v4, 8080, " LocalHost:8080 ", true},
        {v4, 8080, "127.0.0.1", false},
        {v4, 8080, "localhost:8081", false},
        {v4, 80, "127.0.0.1", true},
        {v4, 80, "localhost", true},
        {v4, 80, "localhost:80", true},
        {v6, 8080, "[::1]:8080", true},
        {v6, 8080, "::1:8080", false},
        {QHostAddress(QStringLiteral("192.0.2.1")), 80, "localhost", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.address.toString().toStdString() + " " + row.host.toStdString());
        HttpHostGuard guard;
        guard.Allow(row.address, row.port);
        EXPECT_EQ(guard.HostAllowed(row.host), row.allowed);
        EXPECT_EQ(guard.OriginAllowed("http://" + row.host.trimmed()), row.allowed);
        EXPECT_FALSE(guard.OriginAllowed("https://" + row.host.trimmed()));
    }
}

TEST_F(RemoteServerTest, HttpAnswersAndHeaders) {
    struct Row {
        const char* method;
        const char* path;
        QByteArray host;
        QByteArray origin;
        int status;
        const char* body; // what the body starts with
    };
    const QByteArray here = Here();
    const QByteArray local = "localhost:" + QByteArray::number(port);
    const std::vector<Row> rows = {
        {"GET", "/", here, {}, 200, "<!DOCTYPE html>"},
        {"GET", "/", local, {}, 200, "<!DOCTYPE html>"},
        {"GET", "/", here, "http://" + here, 200, "<!DOCTYPE html>"},
        {"GET", "/remote.css", here, {}, 200, ""},
        {"GET", "/remote.js", here, {}, 200, ""},
        {"HEAD", "/", here, {}, 200, ""},
        {"GET", "/other.js", here, {}, 404, "Not Found"},
        {"GET", "/ws", here, {}, 404, "Not Found"},
        {"POST", "/", here, {}, 405, "Method Not Allowed"},
        {"GET", "/", "attacker.example:" + QByteArray::number(port), {}, 403, "Forbidden"},
        {"GET", "/", "127.0.0.1:" + QByteArray::number(port + 1), {}, 403, "Forbidden"},
        {"GET", "/", here, "http://attacker.example", 403, "Forbidden"},
        {"GET", "/", here, "https://" + here, 403, "Forbidden"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.method) + " " + row.path + " " + row.host.toStdString() + " " +
                     row.origin.toStdString());
        QByteArray request = QByteArray(row.method) + " " + row.path +
                             " HTTP/1.1\r\nHost: " + row.host + "\r\nContent-Length: 0\r\n";
        if (!row.origin.isEmpty()) {
            request += "Origin: " + row.origin + "\r\n";
        }
        const bool head = QByteArray(row.method) == "HEAD";
        const QByteArray whole = Exchange(request + "\r\n", [head](const QByteArray& answer) {
            const qsizetype end = answer.indexOf("\r\n\r\n");
            const qsizetype length = answer.indexOf("Content-Length: ");
            return end > 0 && length > 0 &&
                   (head || answer.size() - end - 4 >=
                                answer.mid(length + 16, answer.indexOf('\r', length) - length - 16)
                                    .toInt());
        });
        const qsizetype end = whole.indexOf("\r\n\r\n");
        ASSERT_GT(end, 0) << whole.toStdString();
        const QByteArray headers = whole.left(end + 2);
        EXPECT_TRUE(headers.startsWith("HTTP/1.1 " + QByteArray::number(row.status)))
            << headers.toStdString();
        for (const char* header :
             {"Content-Security-Policy: default-src 'none'; script-src 'self'; style-src 'self'; "
              "img-src 'self' data:; connect-src 'self'",
              "frame-ancestors 'none'; base-uri 'none'; form-action 'none'\r\n",
              "X-Content-Type-Options: nosniff\r\n", "Referrer-Policy: no-referrer\r\n",
              "Cache-Control: no-store\r\n"}) {
            EXPECT_TRUE(headers.contains(header)) << header;
        }
        if (row.status == 200) {
            EXPECT_TRUE(headers.contains("connect-src 'self' ws://" + row.host + ";"));
        }
        EXPECT_TRUE(whole.mid(end + 4).startsWith(row.body)) << whole.toStdString();
        if (head) {
            EXPECT_EQ(whole.size(), end + 4);
        }
    }
}

TEST_F(RemoteServerTest, SocketsFromElsewhereClosedBeforeAnything) {
    struct Row {
        QByteArray host;
        QByteArray origin;
        QByteArray path;
        bool taken;
    };
    const QByteArray here = Here();
    const std::vector<Row> rows = {
        {here, "http://" + here, "/ws", true},
        {"localhost:" + QByteArray::number(port), "http://" + here, "/ws", true},
        {"rebound.example:" + QByteArray::number(port), "http://" + here, "/ws", false},
        {here, "http://attacker.example", "/ws", false},
        {here, {}, "/ws", false},
        {here, "http://" + here, "/other", false},
    };
    int refused = 0;
    int taken = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.host.toStdString() + " " + row.origin.toStdString() + " " +
                     row.path.toStdString());
        taken += row.taken ? 1 : 0;
        const QByteArray answer = Upgrade(row.host, row.origin, row.path, !row.taken, taken);
        ASSERT_TRUE(answer.startsWith("HTTP/1.1 101")) << answer.toStdString();
        const QByteArray after = answer.mid(answer.indexOf("\r\n\r\n") + 4);
        EXPECT_EQ(after.toHex().toStdString(), row.taken ? "" : kPolicyClose.toHex().toStdString());
        refused += row.taken ? 0 : 1;
        EXPECT_EQ(server->Refused(), refused);
    }
}

TEST_F(RemoteServerTest, PairingByCodeThenToken) {
    RemotePage page(port);
    ASSERT_TRUE(page.Open());
    page.Send(QStringLiteral(R"({"type":"go"})")); // not taken before pairing
    page.Send(QStringLiteral(R"({"type":"hello","code":"000000"})"));
    const QJsonObject wrong = page.Next();
    EXPECT_EQ(wrong.value("type"), "refused");
    EXPECT_EQ(wrong.value("reason"), "code");
    EXPECT_EQ(wrong.value("attemptsLeft"), 2);
    EXPECT_EQ(server->WrongCodes(), 1);
    EXPECT_TRUE(page.Connected());
    page.Send(QStringLiteral(R"({"type":"hello","code":"482913"})"));
    const QJsonObject welcome = page.Next();
    EXPECT_EQ(welcome.value("type"), "welcome");
    EXPECT_EQ(welcome.value("picture"), 7);
    const QString token = welcome.value("token").toString();
    EXPECT_EQ(token.size(), 32);
    page.Send(QStringLiteral(R"({"type":"stop"})"));
    ASSERT_TRUE(ProcessEventsUntil([this] { return !commands.empty(); }));
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, RemoteCommand::Kind::Stop);
    ASSERT_EQ(server->Clients().size(), 1);
    EXPECT_TRUE(server->Clients()[0].paired);

    // The page comes back with its token; an unknown token asks for the code on an open socket.
    RemotePage again(port);
    ASSERT_TRUE(again.Open());
    again.Send(QStringLiteral(R"({"type":"hello","token":"%1"})").arg(token));
    const QJsonObject back = again.Next();
    EXPECT_EQ(back.value("type"), "welcome");
    EXPECT_EQ(back.value("token"), token);
    RemotePage stranger(port);
    ASSERT_TRUE(stranger.Open());
    stranger.Send(QStringLiteral(R"({"type":"hello","token":"%1"})").arg(QString(32, u'0')));
    EXPECT_EQ(stranger.Next().value("reason"), "token");
    EXPECT_TRUE(stranger.Connected());

    // A new code forgets the tokens and closes the paired sockets.
    server->SetCode(QStringLiteral("1234"));
    EXPECT_TRUE(page.Closed());
    EXPECT_TRUE(again.Closed());
    RemotePage late(port);
    ASSERT_TRUE(late.Open());
    late.Send(QStringLiteral(R"({"type":"hello","token":"%1"})").arg(token));
    EXPECT_EQ(late.Next().value("reason"), "token");
}

TEST_F(RemoteServerTest, WrongCodesCloseTheSocketThenLockTheAddress) {
    // Three codes a socket, ten an address in the window: the tenth locks it out, even with
    // the right code, until the window has passed.
    std::vector<int> leftSeen;
    int tried = 0;
    while (tried < 10) {
        RemotePage page(port);
        ASSERT_TRUE(page.Open());
        for (int i = 0; i < 3 && tried < 10; ++i, ++tried) {
            page.Send(QStringLiteral(R"({"type":"hello","code":"999999"})"));
            const QJsonObject answer = page.Next();
            leftSeen.push_back(
                answer.value("reason") == "locked" ? -1 : answer.value("attemptsLeft").toInt());
        }
        EXPECT_TRUE(page.Closed());
    }
    EXPECT_EQ(leftSeen, (std::vector<int>{2, 1, 0, 2, 1, 0, 2, 1, 0, -1}));
    EXPECT_EQ(server->WrongCodes(), 10);

    RemotePage locked(port);
    ASSERT_TRUE(locked.Open());
    locked.Send(QStringLiteral(R"({"type":"hello","code":"482913"})"));
    EXPECT_EQ(locked.Next().value("reason"), "locked");
    EXPECT_TRUE(locked.Closed());
    EXPECT_EQ(server->WrongCodes(), 10);

    now += 10min;
    RemotePage later(port);
    EXPECT_TRUE(later.Pair(QStringLiteral("482913")));
}

TEST_F(RemoteServerTest, TheSeventeenthSocketIsRefused) {
    std::vector<std::unique_ptr<RemotePage>> pages;
    for (int i = 0; i < 16; ++i) {
        pages.push_back(std::make_unique<RemotePage>(port));
        ASSERT_TRUE(pages.back()->Open());
    }
    ASSERT_TRUE(ProcessEventsUntil([this] { return server->Clients().size() == 16; }));
    RemotePage extra(port);
    EXPECT_EQ(extra.Next().value("reason"), "full");
    EXPECT_TRUE(extra.Closed());
    EXPECT_EQ(server->Refused(), 1);
    // One going makes room, and leaves nothing behind.
    pages.pop_back();
    ASSERT_TRUE(ProcessEventsUntil([this] { return server->Clients().size() == 15; }));
    RemotePage next(port);
    EXPECT_TRUE(next.Pair(QStringLiteral("482913")));
}

TEST_F(RemoteServerTest, AFloodIsDroppedOverTheRateAndClosedOverTheLimit) {
    // The clock stands still: every frame is in one second.
    const std::unique_ptr<RemotePage> page = Paired();
    for (int i = 0; i < 300; ++i) {
        page->Send(QStringLiteral(R"({"type":"level","n":1,"value":%1})").arg(i % 128));
    }
    ASSERT_TRUE(ProcessEventsUntil([this] { return server->Dropped() >= 181; }));
    EXPECT_EQ(commands.size(), 119u); // the hello took one token
    EXPECT_EQ(server->Dropped(), 181);
    EXPECT_TRUE(page->Connected());

    // A token comes back every 1/120 s.
    now += 100ms;
    for (int i = 0; i < 20; ++i) {
        page->Send(QStringLiteral(R"({"type":"stop"})"));
    }
    ASSERT_TRUE(ProcessEventsUntil([this] { return server->Dropped() >= 189; }));
    EXPECT_EQ(commands.size(), 131u);

    for (int i = 0; i < 800; ++i) {
        page->Send(QStringLiteral(R"({"type":"stop"})"));
    }
    EXPECT_TRUE(page->Closed());
    EXPECT_EQ(page->socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);

    // A frame over 1024 bytes closes its socket at once.
    const std::unique_ptr<RemotePage> big = Paired();
    big->Send(QStringLiteral(R"({"type":"stop","pad":"%1"})").arg(QString(1024, u'x')));
    EXPECT_TRUE(big->Closed());
    EXPECT_EQ(big->socket.closeCode(), QWebSocketProtocol::CloseCodeTooMuchData);
}

TEST_F(RemoteServerTest, UnpairedAndSilentSocketsAreClosed) {
    CRemoteServer::Limits limits;
    limits.pairTimeout = 200ms;
    limits.pingInterval = 100ms;
    Start(limits);
    const std::unique_ptr<RemotePage> paired = Paired();
    RemotePage idle(port);
    ASSERT_TRUE(idle.Open());
    EXPECT_TRUE(idle.Closed());
    EXPECT_EQ(idle.socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
    EXPECT_TRUE(paired->Connected());

    // A socket that never answers a ping (a raw one, which never reads) goes after two,
    // long before it would for not pairing.
    limits.pairTimeout = 60s;
    Start(limits);
    const std::unique_ptr<RemotePage> answering = Paired();
    Upgrade(Here(), "http://" + Here(), "/ws", false, 2);
    EXPECT_TRUE(ProcessEventsUntil(
        [this] { return kept.back()->state() == QAbstractSocket::UnconnectedState; }));
    // The paired page answered every ping and stays.
    EXPECT_TRUE(answering->Connected());
    EXPECT_EQ(server->Clients().size(), 1);
}

TEST_F(RemoteServerTest, ListensOnlyWhereTold) {
    // Bound to 127.0.0.1, the server is not reached through another loopback address.
    QTcpSocket other;
    other.connectToHost(QHostAddress(QStringLiteral("127.0.0.2")), port);
    EXPECT_FALSE(other.waitForConnected(2000));
    QTcpSocket here;
    here.connectToHost(QHostAddress::LocalHost, port);
    EXPECT_TRUE(here.waitForConnected(2000));
}
