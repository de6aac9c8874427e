// A drag of the source pad never sends faster than the wire carries: at most one position
// every kIntervalMs, leaving out the coordinates this drag already sent, and the latest
// position always follows once it is due. Only a drag arms its timer, so an idle window
// never wakes.
#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <array>
#include <functional>

class CControllerDoc;
class QTimer;

class CPadDragPacer : public QObject {
    Q_OBJECT

public:
    static constexpr int kIntervalMs = 5;

    // `outputSelection` is the output list's current entry, which the sends open.
    CPadDragPacer(CControllerDoc& doc, std::function<int()> outputSelection, QObject* parent);

    // The document holds a new dragged position of `channel`'s source.
    void Moved(int channel);
    // The button is up: the next drag starts from nothing sent, since other windows may
    // have moved the source meanwhile. A position still waiting goes out when due.
    void DragEnded() { m_active = false; }
    // A position was sent whole another way: nothing of this drag is waiting any more.
    void Cancel();

private:
    void SendDue();

    CControllerDoc& m_doc;
    std::function<int()> m_outputSelection;
    bool m_active = false;
    int m_channel = 0;
    std::array<int, 3> m_sent{-1, -1, -1}; // -1: not sent in this drag
    QElapsedTimer m_sinceLastSend;
    QTimer* m_timer = nullptr;
};
