// SPDX-License-Identifier: MIT
#pragma once

#include "sensor/CycleOutput.h"
#include "sensor/Units.h"

#include <chrono>
#include <iosfwd>
#include <vector>

class CycleLog;
class ModHIDCom;
namespace hid {
class Backend;
}

// Exit statuses of the program; --read uses them all.
namespace exitstatus {
inline constexpr int Passed = 0;            // every cycle reached the receiver, data as required
inline constexpr int NoReceiver = 1;        // not found, or found but not opened
inline constexpr int UsageError = 2;        // the command line or the log file
inline constexpr int ReceiverLost = 3;      // an answer did not come during a cycle
inline constexpr int SensorWithoutData = 4; // a required sensor held no data
inline constexpr int ReceiverInUse = 5;     // another copy holds the receiver
} // namespace exitstatus

// What --read is asked for on the command line.
struct ReadOptions {
    sensor::OutputFormat format = sensor::OutputFormat::Text;
    int pressureUnit = sensor::UnitState::KPa;
    int temperatureUnit = sensor::UnitState::Celsius;
    int count = 1; // 0: until interrupted
    std::chrono::milliseconds interval{5000};
    std::vector<int> requiredSensors; // sensor numbers 1 to 5

    friend bool operator==(const ReadOptions&, const ReadOptions&) = default;
};

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

    // Ends run() after the current cycle; safe in a signal handler.
    static void requestStop() noexcept;

private:
    // Prints one cycle in the chosen format and appends it to the log.
    void write(const sensor::CycleResult& result);

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
