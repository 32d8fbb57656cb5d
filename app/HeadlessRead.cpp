// SPDX-License-Identifier: MIT
#include "app/HeadlessRead.h"

#include "app/CycleLog.h"
#include "app/ListDevices.h"
#include "cycle/Acquisition.h"
#include "cycle/CycleOutput.h"
#include "hid/ModHIDCom.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <ostream>
#include <thread>

#ifdef Q_OS_UNIX
#include <signal.h>
#endif

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void onStopSignal(int) {
    stopRequested = 1;
}

// While it lives, SIGINT and SIGTERM ask for a stop instead of ending the
// process. During a cycle they are held back, so that a wait for the
// receiver's answer is never cut short and mistaken for a lost receiver.
class StopSignals {
public:
#ifdef Q_OS_UNIX
    StopSignals() {
        sigemptyset(&set_);
        sigaddset(&set_, SIGINT);
        sigaddset(&set_, SIGTERM);
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previousInt_);
        sigaction(SIGTERM, &action, &previousTerm_);
    }
    ~StopSignals() {
        sigaction(SIGINT, &previousInt_, nullptr);
        sigaction(SIGTERM, &previousTerm_, nullptr);
    }
    void holdBack() {
        pthread_sigmask(SIG_BLOCK, &set_, nullptr);
    }
    // A signal that came meanwhile is delivered here.
    void letThrough() {
        pthread_sigmask(SIG_UNBLOCK, &set_, nullptr);
    }

private:
    sigset_t set_;
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
#else
    StopSignals() {
        previousInt_ = std::signal(SIGINT, onStopSignal);
        previousTerm_ = std::signal(SIGTERM, onStopSignal);
    }
    ~StopSignals() {
        std::signal(SIGINT, previousInt_);
        std::signal(SIGTERM, previousTerm_);
    }
    void holdBack() {}
    void letThrough() {}

private:
    void (*previousInt_)(int) = SIG_DFL;
    void (*previousTerm_)(int) = SIG_DFL;
#endif
public:
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
};

// Waits until the deadline or a stop request, whichever comes first; true at
// the deadline. Events go on being handled, so --simulate's receiver lives on.
bool waitUntil(std::chrono::steady_clock::time_point deadline) {
    using namespace std::chrono_literals;
    while (stopRequested == 0) {
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

} // namespace

HeadlessRead::HeadlessRead(hid::Backend& backend, ModHIDCom& hid, const ReadOptions& options,
                           std::ostream& out, std::ostream& err)
    : backend_(backend), hid_(hid), options_(options), out_(out), err_(err) {
    units_.select(options.pressureUnit);
    units_.select(options.temperatureUnit);
}

int HeadlessRead::run() {
    StopSignals stopSignals;
    if (options_.format == cycle::OutputFormat::Csv) {
        out_ << cycle::csvHeader().toStdString() << std::flush;
    }
    int result = exitstatus::Passed;
    auto start = std::chrono::steady_clock::now();
    for (int n = 0; options_.count == 0 || n < options_.count; ++n) {
        if (n > 0) {
            start += options_.interval;
            if (!waitUntil(start)) {
                break;
            }
            start = std::max(start, std::chrono::steady_clock::now());
        }
        stopSignals.holdBack();
        const int status = cycle();
        stopSignals.letThrough();
        if (exitstatus::seriousness(status) > exitstatus::seriousness(result)) {
            result = status;
        }
        if (stopRequested != 0) {
            break;
        }
    }
    // As the window does when it closes: nothing is sent, the receiver is let go.
    hid_.CloseReceiver();
    return result;
}

void HeadlessRead::write(const cycle::CycleResult& result) {
    switch (options_.format) {
    case cycle::OutputFormat::Text:
        // A blank line between the tables of successive cycles.
        out_ << (cycles_ > 0 ? "\n" : "")
             << cycle::textTable(result, units_).toLocal8Bit().toStdString();
        break;
    case cycle::OutputFormat::Csv:
        out_ << cycle::csvRows(result, units_).toStdString();
        break;
    case cycle::OutputFormat::Json:
        out_ << cycle::jsonLine(result, units_).toStdString();
        break;
    }
    out_.flush();
    ++cycles_;
    if (log_ != nullptr) {
        log_->append(result, units_);
    }
}

int HeadlessRead::cycle() {
    const cycle::CycleResult result = cycle::acquire(hid_);
    write(result);

    if (!result.opened) {
        if (!explained_) {
            err_ << "tyrescope: the receiver was not found or could not be opened.\n";
            explainMissingReceiver(backend_, err_);
            err_.flush();
            explained_ = true;
        }
        return exitstatus::NoReceiver;
    }
    explained_ = false;
    if (!result.reached) {
        err_ << "tyrescope: the receiver at " << result.devicePath.toStdString()
             << " was lost during the cycle: an answer did not come.\n"
             << std::flush;
        return exitstatus::ReceiverLost;
    }
    std::string missing;
    for (const int sensor : options_.requiredSensors) {
        const sensor::SensorRecord& record = result.data[static_cast<std::size_t>(sensor - 1)];
        if (record.pressure == protocol::NoData || record.temperature == protocol::NoData) {
            missing += (missing.empty() ? "" : ", ") + std::to_string(sensor);
        }
    }
    if (!missing.empty()) {
        err_ << "tyrescope: required sensors without data: " << missing << '\n' << std::flush;
        return exitstatus::SensorWithoutData;
    }
    return exitstatus::Passed;
}
