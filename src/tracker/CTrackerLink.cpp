#include "tracker/CTrackerLink.h"

#include "handoff/UiWake.h"
#include "tracker/CTrackerLibrary.h"
#include "tracker/TrackerPosition.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace {

CTrackerLink::State StateOf(CTheKestrelThread::Activity activity) {
    using Activity = CTheKestrelThread::Activity;
    switch (activity) {
    case Activity::WaitingForTurn:
        return CTrackerLink::State::WaitingForTurn;
    case Activity::Searching:
        return CTrackerLink::State::Searching;
    case Activity::NoTracker:
        return CTrackerLink::State::NoTracker;
    case Activity::Tracking:
        return CTrackerLink::State::Tracking;
    }
    return CTrackerLink::State::Searching;
}

} // namespace

CTrackerLink::CTrackerLink(QObject* parent) : QObject(parent), m_wake(new CUiWake(this)) {
    connect(m_wake, &CUiWake::woken, this, &CTrackerLink::Drain);
}

CTrackerLink::~CTrackerLink() {
    Shutdown();
}

QString CTrackerLink::StatusText() const {
    switch (m_state) {
    case State::Off:
        return QStringLiteral("The Kestrel tracker is off.");
    case State::Unavailable:
        return QStringLiteral("The Kestrel tracker cannot be used. %1").arg(m_libraryError);
    case State::WaitingForTurn:
        return QStringLiteral("Starting: the tracker's previous read has not ended yet.");
    case State::Searching:
        return QStringLiteral("Looking for the Kestrel tracker.");
    case State::NoTracker:
        return QStringLiteral("No Kestrel tracker answers: is it connected?");
    case State::Tracking:
        return QStringLiteral("The Kestrel tracker moves the shown channel's source.");
    }
    return {};
}

void CTrackerLink::SetOn(bool on) {
    ReapEnded();
    if (on == IsOn()) {
        emit StateChanged(IsOn(), StatusText());
        return;
    }
    if (!on) {
        m_current->Stop();
        m_stopping.push_back(std::move(m_current));
        SetState(State::Off);
        return;
    }
    auto library = std::make_unique<CTrackerLibrary>(m_libraryFileName);
    if (!library->IsBound()) {
        m_libraryError = library->ErrorText();
        SetState(State::Unavailable);
        return;
    }
    try {
        m_current = std::make_unique<CTheKestrelThread>(std::move(library), m_wake->Counter());
    } catch (const std::system_error& error) {
        m_libraryError = QStringLiteral("No thread could be started for it: %1")
                             .arg(QString::fromLocal8Bit(error.what()));
        SetState(State::Unavailable);
        return;
    }
    SetState(State::Searching);
}

void CTrackerLink::Shutdown() {
    if (m_current) {
        m_stopping.push_back(std::move(m_current));
    }
    for (const auto& worker : m_stopping) {
        worker->Stop();
    }
    // One bound for all of them together, so that the window closes promptly.
    const auto deadline = std::chrono::steady_clock::now() + CTheKestrelThread::kFinishBound;
    for (const auto& worker : m_stopping) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        worker->Finish(std::max(left, std::chrono::milliseconds(0)));
    }
    m_stopping.clear();
    m_state = State::Off;
}

void CTrackerLink::Drain() {
    if (!m_current) {
        return;
    }
    const CTheKestrelThread::Report report = m_current->TakeReport();
    SetState(StateOf(report.activity));
    if (report.position) {
        const auto [x, y, z] =
            SourcePositionFromTracker(report.position->x, report.position->y, report.position->z);
        emit PositionArrived(x, y, z);
    }
    ReapEnded();
}

void CTrackerLink::SetState(State state) {
    if (state == m_state && state != State::Unavailable) {
        return;
    }
    m_state = state;
    emit StateChanged(IsOn(), StatusText());
}

void CTrackerLink::ReapEnded() {
    std::erase_if(m_stopping, [](const auto& worker) { return worker->HasEnded(); });
}
