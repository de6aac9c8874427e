#include "controls/RepaintPacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

RepaintPacer::RepaintPacer(QWidget& window, int frameMs)
    : QObject(&window), m_window(window), m_frameMs(frameMs) {
    m_release.setSingleShot(true);
    m_release.setTimerType(Qt::PreciseTimer);
    connect(&m_release, &QTimer::timeout, this, &RepaintPacer::Release);
    m_window.installEventFilter(this);
}

void RepaintPacer::Release() {
    m_release.stop();
    // Qt asks a window to paint what changed by an update request, and asks again only
    // once it painted: the held request is the one to hand on.
    QEvent request(QEvent::UpdateRequest);
    m_releasing = true;
    QCoreApplication::sendEvent(&m_window, &request);
    m_releasing = false;
}

bool RepaintPacer::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_window || event->type() != QEvent::UpdateRequest) {
        return false;
    }
    if (m_releasing || !m_lastPaint.isValid() || m_lastPaint.elapsed() >= m_frameMs) {
        m_release.stop();
        m_lastPaint.start();
        return false;
    }
    if (!m_release.isActive()) {
        m_release.start(static_cast<int>(m_frameMs - m_lastPaint.elapsed()));
    }
    return true;
}
