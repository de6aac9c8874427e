#include "app/CPadDragPacer.h"

#include "model/CControllerDoc.h"

#include <QTimer>

namespace {

constexpr int kControlChange = 0xB0;
constexpr int kFirstPositionController = 20; // X, then Y and Z

} // namespace

CPadDragPacer::CPadDragPacer(CControllerDoc& doc, std::function<int()> outputSelection,
                             QObject* parent)
    : QObject(parent), m_doc(doc), m_outputSelection(std::move(outputSelection)),
      m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CPadDragPacer::SendDue);
}

void CPadDragPacer::Moved(int channel) {
    if (!m_active || m_channel != channel) {
        m_active = true;
        m_channel = channel;
        m_sent = {-1, -1, -1};
    }
    if (m_timer->isActive()) {
        return; // the latest position goes out when it is due
    }
    const qint64 since = m_sinceLastSend.isValid() ? m_sinceLastSend.elapsed() : kIntervalMs;
    if (since >= kIntervalMs) {
        SendDue();
    } else {
        m_timer->start(static_cast<int>(kIntervalMs - since));
    }
}

void CPadDragPacer::Cancel() {
    m_timer->stop();
}

void CPadDragPacer::SendDue() {
    if (!m_doc.EnsureOutputOpen(m_outputSelection())) {
        return;
    }
    m_sinceLastSend.restart();
    const int c = m_channel;
    const std::array<int, 3> position = {m_doc.XPosition[c], m_doc.YPosition[c],
                                         m_doc.ZPosition[c]};
    for (std::size_t i = 0; i < position.size(); ++i) {
        if (position[i] != m_sent[i] &&
            m_doc.SendShort(kControlChange, c, kFirstPositionController + static_cast<int>(i),
                            position[i])) {
            m_sent[i] = position[i];
        }
    }
}
