// SPDX-License-Identifier: MIT
#pragma once

#include "app/CommandLine.h"
#include "cycle/CycleResult.h"
#include "sensor/Units.h"

#include <ostream>
#include <string>

class CycleLog;
class ModHIDCom;
namespace hid {
class Backend;
}
namespace record {
class RunRecord;
}
namespace verdict {
struct Limits;
struct CycleVerdict;
} // namespace verdict

// --read: acquisition cycles exactly as the window runs them, written to a
// stream instead of a window.
class HeadlessRead {
public:
    HeadlessRead(hid::Backend& backend, ModHIDCom& hid, const ReadOptions& options,
                 std::ostream& out, std::ostream& err);

    // Every cycle's rows go to log as well.
    void setLog(CycleLog* log) { log_ = log; }
    // Every value is judged against limits, and the output says how it fared.
    void setLimits(const verdict::Limits* limits) { limits_ = limits; }
    // Every cycle goes into record, which the run finishes.
    void setRecord(record::RunRecord* record) { record_ = record; }
    // Someone watches err_ (a terminal): a wait for the receiver is said as it begins.
    void setWatched(bool watched) { watched_ = watched; }

    // Waits, when asked, for the receiver to be there and free; runs the
    // cycles asked for, `interval` apart from start to start, on the
    // receiver the first cycle opened, and lets it go. The exit status is
    // that of the most serious problem met: NoReceiver, then ReceiverInUse,
    // then ReceiverLost, then SensorWithoutData, then OutsideLimits. Output or log rows that
    // cannot be written end the run at that cycle with WriteFailed, and a
    // serial number that several receivers carry ends it with UsageError.
    // SIGINT and SIGTERM end the wait, or the run after the cycle under way,
    // or at once while its output waits for a reader, with stoppedBy().
    int run();

    // One cycle: output, log, and its exit status.
    int cycle();

private:
    // Until the receiver opens, options_.wait has passed or a stop is asked for.
    void awaitReceiver();
    // Why no receiver was opened for this cycle, said once until one opens again.
    int explainUnopened();
    // The cycle's status before limits: whether it found the receiver, reached
    // it, and found data in the required sensors.
    int judge(const cycle::CycleResult& result);
    // "2, 5": the required sensors without a pressure or a temperature.
    std::string missingSensors(const cycle::CycleResult& result) const;
    // Prints one cycle in the chosen format and appends it to the log; false
    // when either could not be written, said on err_.
    bool write(const cycle::CycleResult& result, const verdict::CycleVerdict& verdict);
    bool print(const std::string& text);

    hid::Backend& backend_;
    ModHIDCom& hid_;
    ReadOptions options_;
    sensor::UnitState units_;
    std::ostream& out_;
    std::ostream& err_;
    CycleLog* log_ = nullptr;
    const verdict::Limits* limits_ = nullptr;
    record::RunRecord* record_ = nullptr;
    bool watched_ = false;
    bool explained_ = false;
    // The run keeps to the receiver its first cycle opened.
    bool pinned_ = false;
    int cycles_ = 0;
};
