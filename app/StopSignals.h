// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

// How --read is asked to stop: SIGINT (Ctrl+C) and SIGTERM end the run after
// the cycle under way, or a write blocked on a reader that does not read. On
// Windows the console's events stand in for them: Ctrl+C and Ctrl+Break for
// SIGINT, the console closing, a log-off or shutdown for SIGTERM.
namespace stop {

// The signal that asked for a stop; 0 while none did.
int requested();

// While requests are on the wire SIGINT and SIGTERM are held back, so that a
// wait for the receiver's answer is never cut short and mistaken for a lost
// receiver. A signal that came meanwhile is delivered when they are let through.
void holdBack();
void letThrough();

// While it lives, SIGINT and SIGTERM ask for a stop instead of ending the
// process, and cut a blocked write short.
class Signals {
public:
    Signals();
    ~Signals();
    Signals(const Signals&) = delete;
    Signals& operator=(const Signals&) = delete;

private:
    struct Previous; // the handlers it stands in for
    std::unique_ptr<Previous> previous_;
};

} // namespace stop
