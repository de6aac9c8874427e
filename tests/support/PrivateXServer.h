// An X server of a test's own, for the tests that start the real program on the xcb
// platform; Xvfb picks a free display number and tells it. Display() is empty when Xvfb
// could not be started. xdotool acts on it as a person would.
#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <optional>

#include <unistd.h>

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
    // The real program's environment on this display with a fresh home (no last document, no
    // journal) and no MIDI device: JACK on a server name nobody runs.
    QProcessEnvironment ProgramEnvironment(const QString& home) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DISPLAY"), m_display);
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
        environment.remove(QStringLiteral("SESSION_MANAGER"));
        environment.insert(QStringLiteral("ORBIS_MIDI_API"), QStringLiteral("jack"));
        environment.insert(QStringLiteral("JACK_DEFAULT_SERVER"),
                           QStringLiteral("orbis-x-absent-%1").arg(::getpid()));
        return environment;
    }
    // Runs xdotool on this display: its output, or nothing when it failed or took longer.
    std::optional<QString> Xdo(const QStringList& arguments, int milliseconds = 20000) const {
        QProcess xdo;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), m_display);
        xdo.setProcessEnvironment(environment);
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
    // The first window of that title once it is mapped; nothing when it is not in time.
    std::optional<QString> WindowNamed(const QString& title, int milliseconds = 20000) const {
        const std::optional<QString> found =
            Xdo({QStringLiteral("search"), QStringLiteral("--sync"),
                 QStringLiteral("--onlyvisible"), QStringLiteral("--name"), title},
                milliseconds);
        return found ? std::optional<QString>(found->section(QLatin1Char('\n'), 0, 0))
                     : std::nullopt;
    }
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
