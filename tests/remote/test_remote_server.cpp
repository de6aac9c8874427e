// The remote server against real sockets on 127.0.0.1: what HTTP answers and with which
// headers, which WebSockets are closed at once, pairing by code and token with its limits,
// the client limit, the rate limit, the timeouts, and where it listens.
#include "remote/CRemoteServer.h"
#include "support/EventLoop.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QWebSocket>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using namespace std::chrono_literals;

// A page's socket: what it was sent, and whether it is still open.
struct Page {
    explicit Page(quint16 port, const QString& origin = {}, const QString& path = "/ws")
        : socket(origin.isNull() ? QStringLiteral("http://127.0.0.1:%1").arg(port) : origin) {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            received.push_back(QJsonDocument::fromJson(text.toUtf8()).object());
        });
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(port).arg(path)));
    }
    bool Open() {
        return ProcessEventsUntil([this] { return Connected(); });
    }
    bool Connected() const { return socket.state() == QAbstractSocket::ConnectedState; }
    bool Closed() {
        return ProcessEventsUntil(
            [this] { return socket.state() == QAbstractSocket::UnconnectedState; });
    }
    void Send(const QString& frame) { socket.sendTextMessage(frame); }
    // The next message, waited for.
    QJsonObject Next() {
        if (!ProcessEventsUntil([this] { return received.size() > taken; })) {
            return {};
        }
        return received[taken++];
    }

    QWebSocket socket;
    std::vector<QJsonObject> received;
    std::size_t taken = 0;
};

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
    // A page paired with the code; its welcome taken.
    std::unique_ptr<Page> Paired() {
        auto page = std::make_unique<Page>(port);
        EXPECT_TRUE(page->Open());
        page->Send(QStringLiteral(R"({"type":"hello","code":"482913"})"));
        EXPECT_EQ(page->Next().value("type"), "welcome");
        return page;
    }
    // The bytes a raw connection got for `request`, once the server closed it or sent
    // `enough` bytes.
    QByteArray Exchange(const QByteArray& request, qsizetype enough = 1 << 20) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        EXPECT_TRUE(socket.waitForConnected(5000));
        socket.write(request);
        QByteArray answer;
        ProcessEventsUntil(
            [&] {
                answer += socket.readAll();
                return socket.state() == QAbstractSocket::UnconnectedState ||
                       answer.size() >= enough;
            },
            3000);
        return answer + socket.readAll();
    }
    QByteArray Upgrade(const QByteArray& host, const QByteArray& origin,
                       const QByteArray& path = "/ws") {
        QByteArray request = "GET " + path + " HTTP/1.1\r\nHost: " + host +
                             "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                             "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                             "Sec-WebSocket-Version: 13\r\n";
        if (!origin.isEmpty()) {
            request += "Origin: " + origin + "\r\n";
        }
        return Exchange(request + "\r\n");
    }
    QByteArray Here() const { return "127.0.0.1:" + QByteArray::number(port); }

    CRemoteServer::Clock::time_point now = CRemoteServer::Clock::now();
    std::unique_ptr<CRemoteServer> server;
    std::vector<RemoteCommand> commands;
    quint16 port = 0;
};

} // namespace

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
        const QByteArray answer = Exchange(request + "\r\n", 1);
        ProcessEventsUntil([] { return false; }, 50);
        const QByteArray whole = answer;
        const qsizetype end = whole.indexOf("\r\n\r\n");
        ASSERT_GT(end, 0) << whole.toStdString();
        const QByteArray head = whole.left(end + 2);
        EXPECT_TRUE(head.startsWith("HTTP/1.1 " + QByteArray::number(row.status)))
            << head.toStdString();
        EXPECT_TRUE(head.contains("Content-Security-Policy: default-src 'none'; script-src "
                                  "'self'; style-src 'self'; img-src 'self' data:; connect-src "
                                  "'self'"));
        EXPECT_TRUE(head.contains("frame-ancestors 'none'; base-uri 'none'; form-action 'none'"));
        EXPECT_TRUE(head.contains("X-Content-Type-Options: nosniff\r\n"));
        EXPECT_TRUE(head.contains("Referrer-Policy: no-referrer\r\n"));
        EXPECT_TRUE(head.contains("Cache-Control: no-store\r\n"));
        if (row.status == 200) {
            EXPECT_TRUE(head.contains("connect-src 'self' ws://" + row.host + ";"));
        }
        EXPECT_TRUE(whole.mid(end + 4).startsWith(row.body)) << whole.toStdString();
        if (QByteArray(row.method) == "HEAD") {
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
    // The handshake's answer, then a close frame of code 1008 (0x03F0) and nothing else.
    const QByteArray closed = QByteArray::fromHex("880203f0");
    int refused = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.host.toStdString() + " " + row.origin.toStdString() + " " +
                     row.path.toStdString());
        const QByteArray answer = Upgrade(row.host, row.origin, row.path);
        ASSERT_TRUE(answer.startsWith("HTTP/1.1 101")) << answer.toStdString();
        const QByteArray after = answer.mid(answer.indexOf("\r\n\r\n") + 4);
        EXPECT_EQ(after.toHex().toStdString(), row.taken ? "" : closed.toHex().toStdString());
        refused += row.taken ? 0 : 1;
        EXPECT_EQ(server->Refused(), refused);
    }
}

TEST_F(RemoteServerTest, PairingByCodeThenToken) {
    Page page(port);
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
    EXPECT_EQ(server->Clients()[0].address.toIPv4Address(),
              QHostAddress(QHostAddress::LocalHost).toIPv4Address());

    // The page comes back with its token; an unknown token asks for the code on an open socket.
    Page again(port);
    ASSERT_TRUE(again.Open());
    again.Send(QStringLiteral(R"({"type":"hello","token":"%1"})").arg(token));
    const QJsonObject back = again.Next();
    EXPECT_EQ(back.value("type"), "welcome");
    EXPECT_EQ(back.value("token"), token);
    Page stranger(port);
    ASSERT_TRUE(stranger.Open());
    stranger.Send(QStringLiteral(R"({"type":"hello","token":"%1"})").arg(QString(32, u'0')));
    EXPECT_EQ(stranger.Next().value("reason"), "token");
    EXPECT_TRUE(stranger.Connected());

    // A new code forgets the tokens and closes the paired sockets.
    server->SetCode(QStringLiteral("1234"));
    EXPECT_TRUE(page.Closed());
    EXPECT_TRUE(again.Closed());
    Page late(port);
    ASSERT_TRUE(late.Open());
    late.Send(QStringLiteral(R"({"type":"hello","token":"%1"})").arg(token));
    EXPECT_EQ(late.Next().value("reason"), "token");
}
