// An X server of a test's own, for the tests that start the real program on the xcb
// platform; Xvfb picks a free display number and tells it. Display() is empty when Xvfb
// could not be started.
#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

class PrivateXServer {
public:
    PrivateXServer() {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) {
            return;
        }
        m_server.setStandardErrorFile(QProcess::nullDevice());
        m_server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                              QStringLiteral("-screen"), QStringLiteral("0"),
                              QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp")});
        QElapsedTimer clock;
        clock.start();
        while (!m_server.canReadLine() && clock.elapsed() < 10000 &&
               m_server.state() != QProcess::NotRunning) {
            m_server.waitForReadyRead(100);
        }
        if (m_server.canReadLine()) {
            m_display = QLatin1Char(':') + QString::fromLatin1(m_server.readLine()).trimmed();
        }
    }
    ~PrivateXServer() {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }
    const QString& Display() const { return m_display; }
    // Takes the server away as a crash or a lost connection would, with no goodbye to its
    // clients.
    void Kill() {
        m_server.kill();
        m_server.waitForFinished(5000);
    }

private:
    QProcess m_server;
    QString m_display;
};
