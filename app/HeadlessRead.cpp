// SPDX-License-Identifier: MIT
#include "app/HeadlessRead.h"

#include "app/CycleLog.h"
#include "app/ExitStatus.h"
#include "app/ListDevices.h"
#include "app/StopSignals.h"
#include "cycle/Acquisition.h"
#include "cycle/CycleOutput.h"
#include "cycle/TerminalText.h"
#include "hid/ModHIDCom.h"
#include "record/RunRecord.h"
#include "verdict/Judge.h"
#include "verdict/VerdictOutput.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ostream>
#include <thread>

namespace {

// Waits until the deadline or a stop request, whichever comes first; true at
// the deadline. Events go on being handled, so --simulate's receiver lives on.
bool waitUntil(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono_literals;
    while (stop::requested() == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left <= 0ms) {
            return true;
        }
        // Short slices, so that a stop is seen within a fraction of a second.
        const auto slice = std::min(left, std::chrono::milliseconds(50));
        if (QCoreApplication::instance() != nullptr) {
            QEventLoop loop;
            QTimer::singleShot(slice, &loop, &QEventLoop::quit);
            loop.exec();
        } else {
            std::this_thread::sleep_for(slice);
        }
    }
    return false;
}

std::string seconds(std::chrono::milliseconds duration) {
    return QString::number(static_cast<double>(duration.count()) / 1000.0).toStdString();
}

// A run's problems in order of seriousness; those that end a run outrank every cycle's.
bool outranks(int status, int than) {
    const auto ends = [](int s) {
        return s == exitstatus::WriteFailed || s == exitstatus::UsageError;
    };
    return ends(status) ||
           (!ends(than) && exitstatus::seriousness(status) > exitstatus::seriousness(than));
}

} // namespace

HeadlessRead::HeadlessRead(hid::Backend& backend, ModHIDCom& hid, const ReadOptions& options,
                           std::ostream& out, std::ostream& err)
    : backend_(backend), hid_(hid), options_(options), units_(options.units()), out_(out),
      err_(err) {}

int HeadlessRead::run() {
    stop::Signals stopSignals;
    int result = exitstatus::Passed;
    if (!print(cycle::outputHeader(options_.format).toStdString())) {
        result = exitstatus::WriteFailed;
    } else {
        awaitReceiver();
    }
    auto start = std::chrono::steady_clock::now();
    for (int n = 0; result != exitstatus::WriteFailed && result != exitstatus::UsageError &&
                    stop::requested() == 0 && (options_.count == 0 || n < options_.count);
         ++n) {
        if (n > 0) {
            start += options_.interval;
            if (!waitUntil(start)) {
                break;
            }
            // After a cycle that overran its interval the next starts at once,
            // and the ones after it keep time from there rather than catch up.
            start = std::max(start, std::chrono::steady_clock::now());
        }
        const int status = cycle();
        if (outranks(status, result)) {
            result = status;
        }
    }
    // As the window does when it closes: nothing is sent, the receiver is let go.
    hid_.CloseReceiver();
    // A run cut short did not do what it was asked, whatever its cycles found.
    const int stopped = stop::requested();
    if (stopped != 0) {
        result = exitstatus::stoppedBy(stopped);
    }
    if (record_ != nullptr) {
        const bool failed = result == exitstatus::WriteFailed;
        record_->finish(
            result,
            stopped != 0 ? record::RunEnd::Aborted
            : failed     ? record::RunEnd::OutputFailed
                         : record::RunEnd::Completed,
            stopped != 0
                ? QStringLiteral("ended by %1").arg(stopped == SIGINT ? "SIGINT" : "SIGTERM")
            : failed ? QStringLiteral("the output or the log could not be written")
                     : QString());
    }
    return result;
}

void HeadlessRead::awaitReceiver() {
    // Often enough that a receiver plugged in is taken at once, rarely
    // enough that the search costs nothing.
    constexpr std::chrono::milliseconds Poll{250};
    const auto deadline = std::chrono::steady_clock::now() + options_.wait;
    bool said = false;
    while (options_.wait.count() > 0 && !hid_.ensureOpen() && !hid_.ChoiceAmbiguous()) {
        if (watched_ && !said) {
            err_ << "tyrescope: waiting up to " << seconds(options_.wait) << " s for the receiver"
                 << (hid_.ReceiverInUse() ? " to be free" : " to be plugged in") << "...\n"
                 << std::flush;
            said = true;
        }
        const auto next = std::min(deadline, std::chrono::steady_clock::now() + Poll);
        if (!waitUntil(next) || next == deadline) {
            return; // stopped, or the first cycle says why
        }
    }
}

bool HeadlessRead::print(const std::string& text) {
    if (options_.quiet || text.empty()) {
        return true;
    }
    errno = 0;
    out_ << text << std::flush;
    if (out_) {
        return true;
    }
    const int error = errno;
    // A stop asked for while the output waited for its reader is no failure of the output.
    if (stop::requested() == 0) {
        err_ << "tyrescope: cannot write the output: "
             << (error != 0 ? std::strerror(error) : "unknown error") << '\n'
             << std::flush;
    }
    return false;
}

bool HeadlessRead::write(const cycle::CycleResult& result, const verdict::CycleVerdict& verdict) {
    const QByteArray text =
        limits_ != nullptr
            ? verdict::outputCycle(options_.format, result, units_, verdict, cycles_ == 0)
            : cycle::outputCycle(options_.format, result, units_, cycles_ == 0);
    const bool printed = print(text.toStdString());
    ++cycles_;
    // The cycle is logged even when it could not be printed.
    if (log_ != nullptr && !log_->append(result, units_)) {
        if (stop::requested() == 0) {
            err_ << "tyrescope: " << log_->errorString().toStdString() << '\n' << std::flush;
        }
        return false;
    }
    return printed;
}

int HeadlessRead::explainUnopened() {
    const bool inUse = hid_.ReceiverInUse();
    if (!explained_) {
        if (inUse) {
            err_ << "tyrescope: another copy of Tyrescope is using the receiver; "
                 << (options_.wait.count() > 0
                         ? "it was not free within the " + seconds(options_.wait) +
                               " s waited; try again when that copy has ended\n"
                         : std::string("try again when it has ended, or wait for it with "
                                       "--wait\n"));
        } else if (pinned_) {
            const hid::ReceiverChoice& receiver = hid_.choice();
            err_ << "tyrescope: the receiver this run began with, at "
                 << printableText(receiver.path)
                 << (receiver.serial.empty() ? ""
                                             : " (serial " + printableText(receiver.serial) + ")")
                 << ", was not found or could not be opened; no other receiver is read in its "
                    "place\n";
        } else {
            err_ << "tyrescope: the receiver was not found or could not be opened.\n";
            explainMissingReceiver(backend_, err_, hid_.choice());
        }
        err_.flush();
        explained_ = true;
    }
    return inUse ? exitstatus::ReceiverInUse : exitstatus::NoReceiver;
}

int HeadlessRead::cycle() {
    stop::holdBack();
    const cycle::CycleResult result = cycle::acquire(hid_);
    stop::letThrough();
    if (hid_.ChoiceAmbiguous()) {
        // Which unit was meant cannot be known: a usage error, with nothing read.
        err_ << "tyrescope: ";
        explainMissingReceiver(backend_, err_, hid_.choice());
        err_.flush();
        return exitstatus::UsageError;
    }
    const int status = judge(result);
    verdict::CycleVerdict verdict =
        verdict::judge(result, limits_ != nullptr ? *limits_ : verdict::Limits{});
    if (status == exitstatus::SensorWithoutData) {
        verdict.fail(QStringLiteral("required sensors without data: %1")
                         .arg(QString::fromStdString(missingSensors(result))));
    } else if (status == exitstatus::ReceiverInUse) {
        verdict.error(QStringLiteral("another copy of Tyrescope is using the receiver"));
    }
    if (record_ != nullptr) {
        record_->addCycle(result, verdict);
    }
    if (!write(result, verdict)) {
        return exitstatus::WriteFailed;
    }
    // Told after the cycle's output, which it is about.
    if (status == exitstatus::SensorWithoutData) {
        err_ << "tyrescope: required sensors without data: " << missingSensors(result) << '\n'
             << std::flush;
    }
    if (status == exitstatus::ReceiverLost) {
        err_ << "tyrescope: the receiver at " << result.devicePath.toStdString()
             << " was lost during the cycle: an answer did not come.\n"
             << std::flush;
    }
    if (status == exitstatus::NoReceiver || status == exitstatus::ReceiverInUse) {
        return explainUnopened();
    }
    if (verdict.firstFailure) {
        err_ << "tyrescope: outside limits: " << verdict.cause.toStdString() << '\n' << std::flush;
        return status == exitstatus::Passed ? exitstatus::OutsideLimits : status;
    }
    return status;
}

int HeadlessRead::judge(const cycle::CycleResult& result) {
    if (!result.opened) {
        return hid_.ReceiverInUse() ? exitstatus::ReceiverInUse : exitstatus::NoReceiver;
    }
    explained_ = false;
    if (!pinned_) {
        // Another bench's receiver plugged in later is not this run's unit.
        hid_.choose({hid_.DevicePath(), hid_.DeviceSerial()});
        pinned_ = true;
    }
    if (!result.reached) {
        return exitstatus::ReceiverLost;
    }
    return missingSensors(result).empty() ? exitstatus::Passed : exitstatus::SensorWithoutData;
}

std::string HeadlessRead::missingSensors(const cycle::CycleResult& result) const {
    std::string missing;
    for (const int sensor : options_.requiredSensors) {
        const sensor::SensorRecord& record = result.data[static_cast<std::size_t>(sensor - 1)];
        if (record.pressure == protocol::NoData || record.temperature == protocol::NoData) {
            missing += (missing.empty() ? "" : ", ") + std::to_string(sensor);
        }
    }
    return missing;
}
