// A remote page's socket for the tests and benchmarks: it opens /ws on the loopback address
// with the page's own origin, keeps what it is sent, and says whether it is still open.
#pragma once

#include "support/EventLoop.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QWebSocket>

#include <functional>
#include <vector>

struct RemotePage {
    explicit RemotePage(quint16 port, const QString& origin = {})
        : socket(origin.isNull() ? QStringLiteral("http://127.0.0.1:%1").arg(port) : origin) {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            received.push_back(QJsonDocument::fromJson(text.toUtf8()).object());
        });
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port)));
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
    // Opens and pairs with `code`; false when no welcome came.
    bool Pair(const QString& code) {
        if (!Open()) {
            return false;
        }
        Send(QStringLiteral(R"({"type":"hello","code":"%1"})").arg(code));
        return Next().value(QLatin1String("type")) == QLatin1String("welcome");
    }
    // The next message, waited for; an empty object when none came.
    QJsonObject Next() {
        if (!ProcessEventsUntil([this] { return received.size() > taken; })) {
            return {};
        }
        return received[taken++];
    }
    // The next message of `type` that `wanted` takes, passing over the others.
    QJsonObject NextOf(
        const QString& type, const std::function<bool(const QJsonObject&)>& wanted =
                                 [](const QJsonObject&) { return true; }) {
        for (QJsonObject message = Next(); !message.isEmpty(); message = Next()) {
            if (message.value(QLatin1String("type")) == type && wanted(message)) {
                return message;
            }
        }
        return {};
    }

    QWebSocket socket;
    std::vector<QJsonObject> received;
    std::size_t taken = 0;
};
