#include "program/CTerminationHandler.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
pthread_t g_uiThread;
unsigned g_watchdogSeconds = CTerminationHandler::kWatchdogSeconds;
// The first termination signal, 0 before one came; only the user-interface thread sets it.
volatile sig_atomic_t g_requested = 0;
// The termination signals, then the watchdog's.
constexpr std::array<int, 4> kSignals = {SIGTERM, SIGINT, SIGHUP, SIGALRM};
// What each did before, given back when the handler goes.
std::array<struct sigaction, kSignals.size()> g_previous{};

void SetAction(int signalNumber, void (*handler)(int), struct sigaction* previous) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // One handler at a time on a thread: a second signal waits until the first is handed on.
    for (int blocked : kSignals) {
        sigaddset(&action.sa_mask, blocked);
    }
    // No SA_RESTART: a system call the user-interface thread is blocked in returns with EINTR,
    // so that the thread gets back to its event loop and handles the request.
    action.sa_flags = 0;
    ::sigaction(signalNumber, &action, previous);
}

extern "C" void OnSignal(int signalNumber) {
    const int savedErrno = errno;
    if (!pthread_equal(pthread_self(), g_uiThread)) {
        // The kernel chose another thread: the one that must wake up is the user-interface
        // thread, whose blocked call only this interrupts.
        ::pthread_kill(g_uiThread, signalNumber);
    } else {
        if (g_requested == 0) {
            g_requested = signalNumber;
            ::alarm(g_watchdogSeconds);
        }
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // A full socket already holds a pending request.
        [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &byte, 1);
    }
    errno = savedErrno;
}

// The watchdog. A responsive user-interface thread keeps unsaved work in the recovery file
// and ends the program well within its time; one that has not done so by then is stuck
// (a busy loop, a call that retries after EINTR), and waiting longer would only turn the
// request into a SIGKILL that keeps nothing. So the program ends as the signal would have
// ended it without a handler: what the thread cannot save is lost either way.
extern "C" void OnWatchdog(int) {
    const int signalNumber = g_requested;
    if (signalNumber == 0) {
        return; // not ours: nothing was requested
    }
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    ::sigaction(signalNumber, &action, nullptr);
    ::kill(::getpid(), signalNumber);
}

} // namespace

CTerminationHandler::CTerminationHandler(QObject* parent, unsigned watchdogSeconds)
    : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) {
        return;
    }
    ::fcntl(g_pipe[0], F_SETFL, O_NONBLOCK);
    g_uiThread = ::pthread_self();
    g_watchdogSeconds = watchdogSeconds;
    g_requested = 0;
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CTerminationHandler::OnReadable);
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        SetAction(kSignals[i], kSignals[i] == SIGALRM ? OnWatchdog : OnSignal, &g_previous[i]);
    }
}

CTerminationHandler::~CTerminationHandler() {
    if (g_pipe[0] < 0) {
        return;
    }
    if (g_requested != 0) {
        ::alarm(0);
    }
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    }
    g_requested = 0;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void CTerminationHandler::OnReadable() {
    unsigned char byte = 0;
    if (::read(g_pipe[1], &byte, 1) == 1) {
        emit terminationRequested(byte);
    }
}
