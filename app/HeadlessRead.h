// SPDX-License-Identifier: MIT
#pragma once

#include "app/CommandLine.h"
#include "cycle/CycleResult.h"
#include "sensor/Units.h"

#include <iosfwd>

class CycleLog;
class ModHIDCom;
namespace hid {
class Backend;
}

// --read: acquisition cycles exactly as the window runs them, written to a
// stream instead of a window.
class HeadlessRead {
public:
    HeadlessRead(hid::Backend& backend, ModHIDCom& hid, const ReadOptions& options,
                 std::ostream& out, std::ostream& err);

    // Every cycle's rows go to log as well.
    void setLog(CycleLog* log) { log_ = log; }

    // Runs the cycles asked for, `interval` apart from start to start, and
    // lets the receiver go. SIGINT and SIGTERM end the run after the cycle
    // under way. The exit status is that of the most serious problem met:
    // NoReceiver, then ReceiverLost, then SensorWithoutData.
    int run();

    // One cycle: output, log, and its exit status.
    int cycle();

private:
    // Prints one cycle in the chosen format and appends it to the log.
    void write(const cycle::CycleResult& result);

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
