// SPDX-License-Identifier: MIT
#include "app/StopSignals.h"

#include <csignal>
#include <signal.h>

namespace stop {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

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

int requested() {
    return stopRequested;
}

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

} // namespace stop
