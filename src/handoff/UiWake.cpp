#include "handoff/UiWake.h"

#include <QSocketNotifier>

#include <cstdint>

#include <sys/eventfd.h>
#include <unistd.h>

WakeCounter::WakeCounter() : m_fd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeCounter::~WakeCounter() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void WakeCounter::Wake() const {
    const std::uint64_t one = 1;
    static_cast<void>(::write(m_fd, &one, sizeof one));
}

void WakeCounter::Reset() const {
    std::uint64_t count = 0;
    static_cast<void>(::read(m_fd, &count, sizeof count));
}

CUiWake::CUiWake(QObject* parent) : QObject(parent), m_counter(std::make_shared<WakeCounter>()) {
    if (m_counter->Descriptor() >= 0) {
        m_notifier = new QSocketNotifier(m_counter->Descriptor(), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            m_counter->Reset();
            emit woken();
        });
    }
}

CUiWake::~CUiWake() {
    // The notifier goes before the counter it watches may be closed.
    delete m_notifier;
}
