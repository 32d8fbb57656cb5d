// SPDX-License-Identifier: MIT
#include "app/StopSignals.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#endif

namespace stop {

namespace {

// Lock-free, so that a signal handler may set it, and Windows' handler
// thread too.
std::atomic<int> stopRequested{0};

} // namespace

int requested() {
    return stopRequested;
}

#ifdef _WIN32

namespace {

std::atomic<bool> heldBack{false};
// The thread that runs --read, whose blocked write a stop cuts short. Never
// closed, so that a late handler never cancels another thread's I/O.
HANDLE runningThread = nullptr;

// Ctrl+C and Ctrl+Break ask as SIGINT does; the console closing, a log-off or
// shutdown as SIGTERM does: the same exit statuses as on Linux.
BOOL WINAPI onConsoleEvent(DWORD event) {
    const bool ending =
        event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
    stopRequested = ending ? SIGTERM : SIGINT;
    if (!heldBack) {
        CancelSynchronousIo(runningThread);
    }
    if (ending) {
        // Windows ends the process once this returns; the run ends it first,
        // after the cycle under way, with its own status.
        Sleep(INFINITE);
    }
    return TRUE;
}

} // namespace

// Nothing on Windows cuts a wait for the receiver short but the handler's
// cancel, which waits meanwhile.
void holdBack() {
    heldBack = true;
}

void letThrough() {
    heldBack = false;
}

struct Signals::Previous {};

Signals::Signals() {
    stopRequested = 0;
    if (runningThread == nullptr) {
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(),
                        &runningThread, 0, FALSE, DUPLICATE_SAME_ACCESS);
    }
    // Ctrl+C counts even when the program was started ignoring it, as the
    // handlers above stand in for ignored signals on Linux.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

Signals::~Signals() {
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
}

#else

namespace {

extern "C" void onStopSignal(int signal) {
    stopRequested = signal;
}

sigset_t stopSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

void holdBack() {
    const sigset_t set = stopSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void letThrough() {
    const sigset_t set = stopSignalSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

struct Signals::Previous {
    struct sigaction interrupt {};
    struct sigaction terminate {};
};

Signals::Signals() : previous_(std::make_unique<Previous>()) {
    stopRequested = 0;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // Without SA_RESTART, so that they cut a blocked write short.
    sigaction(SIGINT, &action, &previous_->interrupt);
    sigaction(SIGTERM, &action, &previous_->terminate);
}

Signals::~Signals() {
    sigaction(SIGINT, &previous_->interrupt, nullptr);
    sigaction(SIGTERM, &previous_->terminate, nullptr);
}

#endif

} // namespace stop
