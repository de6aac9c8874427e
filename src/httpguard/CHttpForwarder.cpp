#include "httpguard/CHttpForwarder.h"

QHttpServerResponder CHttpForwarder::Responder(const QHttpServerRequest& request,
                                               QTcpSocket* socket) {
    return makeResponder(request, socket);
}

bool CHttpForwarder::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    m_handler(request, socket);
    return true;
}
