// SPDX-License-Identifier: MIT
#pragma once

#include "app/CommandLine.h"
#include "cycle/CycleResult.h"
#include "sensor/Units.h"

#include <ostream>
#include <streambuf>
#include <string>

class CycleLog;
class ModHIDCom;
namespace hid {
class Backend;
}

// Standard output for --read and the other commands that print: written
// through at once, so that a failure shows at the write that met it. A write
// blocked on a reader that does not read gives up when SIGINT or SIGTERM asks
// --read to stop.
class OutputStream : public std::ostream {
public:
    explicit OutputStream(int descriptor);
    // errno of the first write that failed; 0 while none did.
    int error() const { return buffer_.error; }

private:
    struct Buffer : std::streambuf {
        explicit Buffer(int descriptor) : descriptor(descriptor) {}
        int_type overflow(int_type c) override;
        std::streamsize xsputn(const char* s, std::streamsize n) override;
        int descriptor;
        int error = 0;
    };
    Buffer buffer_;
};

// --read: acquisition cycles exactly as the window runs them, written to a
// stream instead of a window.
class HeadlessRead {
public:
    HeadlessRead(hid::Backend& backend, ModHIDCom& hid, const ReadOptions& options,
                 std::ostream& out, std::ostream& err);

    // Every cycle's rows go to log as well.
    void setLog(CycleLog* log) { log_ = log; }

    // Waits, when asked, for the receiver to be there and free; runs the
    // cycles asked for, `interval` apart from start to start, and lets the
    // receiver go. The exit status is that of the most serious problem met:
    // NoReceiver, then ReceiverInUse, then ReceiverLost, then
    // SensorWithoutData. Output or log rows that cannot be written end the
    // run at that cycle with WriteFailed. SIGINT and SIGTERM end the wait, or
    // the run after the cycle under way, or at once while its output waits
    // for a reader, with stoppedBy().
    int run();

    // One cycle: output, log, and its exit status.
    int cycle();

private:
    // Until the receiver opens, options_.wait has passed or a stop is asked for.
    void awaitReceiver();
    // Prints one cycle in the chosen format and appends it to the log; false
    // when either could not be written, said on err_.
    bool write(const cycle::CycleResult& result);
    bool print(const std::string& text);

    hid::Backend& backend_;
    ModHIDCom& hid_;
    ReadOptions options_;
    sensor::UnitState units_;
    std::ostream& out_;
    std::ostream& err_;
    CycleLog* log_ = nullptr;
    // Why no receiver is there is said once, until one is found again.
    bool explained_ = false;
    int cycles_ = 0;
};
