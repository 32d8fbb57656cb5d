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
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ostream>
#include <signal.h>
#include <thread>
#include <unistd.h>

namespace {

// The signal that asked for a stop; 0 while none did.
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

// While requests are on the wire SIGINT and SIGTERM are held back, so that a
// wait for the receiver's answer is never cut short and mistaken for a lost
// receiver. A signal that came meanwhile is delivered when they are let through.
void holdBackStopSignals() {
    const sigset_t set = stopSignalSet();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}
void letStopSignalsThrough() {
    const sigset_t set = stopSignalSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

// While it lives, SIGINT and SIGTERM ask for a stop instead of ending the
// process. Without SA_RESTART, so that they cut a blocked write short.
class StopSignals {
public:
    StopSignals() {
        stopRequested = 0;
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
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
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

OutputStream::OutputStream(int descriptor) : std::ostream(nullptr), buffer_(descriptor) {
    rdbuf(&buffer_);
}

OutputStream::Buffer::int_type OutputStream::Buffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    const char byte = traits_type::to_char_type(c);
    return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

std::streamsize OutputStream::Buffer::xsputn(const char* s, std::streamsize n) {
    std::streamsize done = 0;
    while (done < n && error == 0) {
        const ssize_t written = ::write(descriptor, s + done, static_cast<std::size_t>(n - done));
        if (written < 0 || (written < n - done && stopRequested != 0)) {
            error = written < 0 ? errno : EINTR;
            break;
        }
        done += written;
    }
    return done;
}

HeadlessRead::HeadlessRead(hid::Backend& backend, ModHIDCom& hid, const ReadOptions& options,
                           std::ostream& out, std::ostream& err)
    : backend_(backend), hid_(hid), options_(options), out_(out), err_(err) {
    units_.select(options.pressureUnit);
    units_.select(options.temperatureUnit);
}

int HeadlessRead::run() {
    StopSignals stopSignals;
    int result = exitstatus::Passed;
    if (options_.format == cycle::OutputFormat::Csv && !print(cycle::csvHeader().toStdString())) {
        result = exitstatus::WriteFailed;
    } else {
        awaitReceiver();
    }
    auto start = std::chrono::steady_clock::now();
    for (int n = 0; result != exitstatus::WriteFailed && stopRequested == 0 &&
                    (options_.count == 0 || n < options_.count);
         ++n) {
        if (n > 0) {
            start += options_.interval;
            if (!waitUntil(start)) {
                break;
            }
            start = std::max(start, std::chrono::steady_clock::now());
        }
        const int status = cycle();
        if (status == exitstatus::WriteFailed ||
            exitstatus::seriousness(status) > exitstatus::seriousness(result)) {
            result = status;
        }
    }
    // As the window does when it closes: nothing is sent, the receiver is let go.
    hid_.CloseReceiver();
    // A run cut short did not do what it was asked, whatever its cycles found.
    return stopRequested != 0 ? exitstatus::stoppedBy(stopRequested) : result;
}

void HeadlessRead::awaitReceiver() {
    // Often enough that a receiver plugged in is taken at once, rarely
    // enough that the search costs nothing.
    constexpr std::chrono::milliseconds Poll{250};
    const auto deadline = std::chrono::steady_clock::now() + options_.wait;
    while (options_.wait.count() > 0 && !hid_.ensureOpen()) {
        const auto next = std::min(deadline, std::chrono::steady_clock::now() + Poll);
        if (!waitUntil(next) || next == deadline) {
            return; // stopped, or the first cycle says why
        }
    }
}

bool HeadlessRead::print(const std::string& text) {
    errno = 0;
    out_ << text << std::flush;
    if (out_) {
        return true;
    }
    const int error = errno;
    // A stop asked for while the output waited for its reader is no failure of the output.
    if (stopRequested == 0) {
        err_ << "tyrescope: cannot write the output: "
             << (error != 0 ? std::strerror(error) : "unknown error") << '\n'
             << std::flush;
    }
    return false;
}

bool HeadlessRead::write(const cycle::CycleResult& result) {
    std::string text;
    switch (options_.format) {
    case cycle::OutputFormat::Text:
        // A blank line between the tables of successive cycles.
        text = (cycles_ > 0 ? "\n" : "") +
               cycle::textTable(result, units_).toLocal8Bit().toStdString();
        break;
    case cycle::OutputFormat::Csv:
        text = cycle::csvRows(result, units_).toStdString();
        break;
    case cycle::OutputFormat::Json:
        text = cycle::jsonLine(result, units_).toStdString();
        break;
    }
    const bool printed = print(text);
    ++cycles_;
    // The cycle is logged even when it could not be printed.
    if (log_ != nullptr && !log_->append(result, units_)) {
        if (stopRequested == 0) {
            err_ << "tyrescope: " << log_->errorString().toStdString() << '\n' << std::flush;
        }
        return false;
    }
    return printed;
}

int HeadlessRead::cycle() {
    holdBackStopSignals();
    const cycle::CycleResult result = cycle::acquire(hid_);
    letStopSignalsThrough();
    if (!write(result)) {
        return exitstatus::WriteFailed;
    }

    if (!result.opened) {
        const bool inUse = hid_.ReceiverInUse();
        if (!explained_) {
            if (inUse) {
                err_ << "tyrescope: another copy of Tyrescope is using the receiver; try again "
                        "when it has ended, or wait for it with --wait\n";
            } else {
                err_ << "tyrescope: the receiver was not found or could not be opened.\n";
                explainMissingReceiver(backend_, err_, hid_.choice());
            }
            err_.flush();
            explained_ = true;
        }
        return inUse ? exitstatus::ReceiverInUse : exitstatus::NoReceiver;
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
