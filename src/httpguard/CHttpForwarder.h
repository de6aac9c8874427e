// QHttpServer's HTTP handling with every request brought to one function, which answers it
// (or leaves a WebSocket's upgrade to the handshake) through Responder.
#pragma once

#include <QAbstractHttpServer>
#include <QHttpServerResponder>

#include <functional>
#include <utility>

class QHttpServerRequest;
class QTcpSocket;

class CHttpForwarder : public QAbstractHttpServer {
public:
    using Handler = std::function<void(const QHttpServerRequest&, QTcpSocket*)>;

    CHttpForwarder(Handler handler, QObject* parent)
        : QAbstractHttpServer(parent), m_handler(std::move(handler)) {}

    static QHttpServerResponder Responder(const QHttpServerRequest& request, QTcpSocket* socket);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest&, QTcpSocket*) override {}

private:
    Handler m_handler;
};
