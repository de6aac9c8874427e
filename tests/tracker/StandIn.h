// The tests' handle on the stand-in tracker library: the same file the tracker link
// binds, loaded once more so that the test reaches its scripting exports. Kept mapped
// for good, because the link's last binding unloads the file for every QLibrary.
#pragma once

#include <QLibrary>
#include <QString>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

class StandIn {
public:
    static QString Path() { return QStringLiteral(STANDIN_LIBRARY); }

    StandIn() : m_library(Path()) {
        m_library.setLoadHints(QLibrary::PreventUnloadHint);
        if (!m_library.load()) {
            ADD_FAILURE() << "cannot load the stand-in: " << m_library.errorString().toStdString();
            return;
        }
        Resolve("StandInReset", m_reset);
        Resolve("StandInPush", m_push);
        Resolve("StandInPending", m_pending);
        Resolve("StandInHoldReads", m_hold);
        Resolve("StandInHeldReads", m_held);
        Resolve("StandInMostInsideAtOnce", m_mostInside);
        m_reset();
    }
    ~StandIn() {
        HoldReads(false);
        m_reset();
    }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    void Push(double x, double y, double z) { m_push(x, y, z); }
    int Pending() { return m_pending(); }
    void HoldReads(bool hold) { m_hold(hold); }
    int HeldReads() { return m_held(); }
    int MostInsideAtOnce() { return m_mostInside(); }

private:
    template <typename Function> void Resolve(const char* name, Function& out) {
        out = reinterpret_cast<Function>(m_library.resolve(name));
        ASSERT_NE(out, nullptr) << name;
    }

    QLibrary m_library;
    void (*m_reset)() = nullptr;
    void (*m_push)(double, double, double) = nullptr;
    int (*m_pending)() = nullptr;
    void (*m_hold)(bool) = nullptr;
    int (*m_held)() = nullptr;
    int (*m_mostInside)() = nullptr;
};

// Waits up to five seconds for a condition that another thread makes true.
inline bool WaitFor(
    const std::function<bool()>& condition, const std::function<void()>& meanwhile = [] {}) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        meanwhile();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}
