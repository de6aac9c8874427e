// Holds a top-level window's repaints to one a frame. A stream of changes (positions from
// the network at hundreds a second) would otherwise paint the window at every pass of the
// event loop; a repaint asked for sooner than a frame after the last one waits for that
// frame's end, and paints everything that changed meanwhile at once.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

class RepaintPacer : public QObject {
public:
    // About one screen refresh.
    static constexpr int kFrameMs = 16;

    // Paces `window`'s repaints from now on; a child of it, so it goes with it.
    explicit RepaintPacer(QWidget& window, int frameMs = kFrameMs);

    // Paints what waits for the frame's end now.
    void Release();
    bool IsHolding() const { return m_release.isActive(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_window;
    int m_frameMs;
    QElapsedTimer m_lastPaint;
    QTimer m_release;
    bool m_releasing = false;
};
