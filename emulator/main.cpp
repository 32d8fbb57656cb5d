// SPDX-License-Identifier: MIT
// tyrescope-emulator: a virtual Rimlink receiver on /dev/uhid, for the guest
// tests and for trying Tyrescope on a Linux desktop without the hardware.

#include "emulator/EmulatorOptions.h"
#include "emulator/ReportLayout.h"
#include "emulator/UhidDevice.h"
#include "hid/ReceiverModel.h"

#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <vector>

using namespace emulator;
using Clock = std::chrono::steady_clock;

namespace {

// Long enough for the host to be waiting for the answer when the receiver goes.
constexpr std::chrono::milliseconds UnplugDelay{200};
// Long enough for a guest kernel emulated on a busy machine.
constexpr std::chrono::seconds StartDeadline{10};

volatile std::sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
}

struct Presented {
    std::unique_ptr<UhidDevice> device;
    std::string label;
    bool receiver = false;
    bool started = false;
    hid::ReceiverModel model;
    int recordRequests = 0;
    std::optional<Clock::time_point> unplugAt;
    std::optional<Clock::time_point> replugAt;
};

class Log {
public:
    explicit Log(bool quiet) : quiet_(quiet) {}
    // One line per event, flushed at once: a test reads them through a pipe.
    // Declared as printf's kind so that the compiler checks every format and its arguments.
    [[gnu::format(printf, 2, 3)]] void line(const char* format, ...) const {
        if (quiet_) {
            return;
        }
        std::va_list args;
        va_start(args, format);
        std::vprintf(format, args);
        va_end(args);
        std::putchar('\n');
        std::fflush(stdout);
    }

private:
    bool quiet_;
};

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char buf[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, out.empty() ? "%02x" : " %02x", b);
        out += buf;
    }
    return out;
}

class Emulator {
public:
    explicit Emulator(const EmulatorOptions& options) : options_(options), log_(options.quiet) {}

    bool start() {
        if (options_.decoys) {
            // The kernel lists HID devices by bus, vendor and product, so only
            // 0000:0000 comes before the receiver; the other two come after it.
            add("decoy1", 0x0000, 0x0000, false);
            add("decoy2", 0x0000, 0x0002, false);
            add("decoy3", 0x0001, 0x0001, false);
        }
        for (int r = 1; r <= options_.receivers; ++r) {
            const auto k = static_cast<std::size_t>(r - 1);
            add("receiver" + std::to_string(r), 0x0000, 0x0001, true,
                k < options_.serials.size() ? options_.serials[k] : std::string());
        }
        plugging_ = true;
        for (Presented& p : presented_) {
            std::string error;
            if (!p.device->open(error) || !p.device->plug(error)) {
                std::fprintf(stderr, "tyrescope-emulator: %s: %s\n", p.label.c_str(),
                             error.c_str());
                return false;
            }
            log_.line("plugged %s", p.label.c_str());
            awaitStart(p);
        }
        plugging_ = false;
        announceReady();
        return true;
    }

    void run() {
        while (!stopRequested) {
            std::vector<pollfd> fds;
            for (Presented& p : presented_) {
                fds.push_back({p.device->fd(), POLLIN, 0});
            }
            const int n = ::poll(fds.data(), fds.size(), pollTimeoutMs());
            if (n < 0 && errno != EINTR) {
                break;
            }
            for (std::size_t i = 0; n > 0 && i < fds.size(); ++i) {
                if (fds[i].revents & POLLIN) {
                    // Drain everything: the kernel queues only 32 events.
                    while (auto ev = presented_[i].device->readEvent()) {
                        handle(presented_[i], *ev);
                    }
                }
            }
            runTimers();
        }
    }

private:
    void add(std::string label, std::uint16_t vendor, std::uint16_t product, bool receiver,
             std::string serial = {}) {
        Presented p;
        p.device = std::make_unique<UhidDevice>(
            UhidIdentity{"Tyrescope emulator " + label, vendor, product,
                         vendorReportDescriptor(options_.layout), std::move(serial)});
        p.label = std::move(label);
        p.receiver = receiver;
        for (int s = 0; s < EmulatorOptions::SensorCount; ++s) {
            p.model.setRecord(s, options_.records[static_cast<std::size_t>(s)].value_or(
                                     EmulatorOptions::demoRecord(s)));
        }
        presented_.push_back(std::move(p));
    }

    void handle(Presented& p, const UhidEvent& ev) {
        switch (ev.kind) {
        case UhidEvent::Kind::Start:
            p.started = true;
            log_.line("started %s", p.label.c_str());
            announceReady();
            break;
        case UhidEvent::Kind::Stop:
            p.started = false;
            log_.line("stopped %s", p.label.c_str());
            break;
        case UhidEvent::Kind::Open:
            log_.line("open %s", p.label.c_str());
            for (const std::vector<std::uint8_t>& report : options_.unsolicited) {
                if (p.receiver) {
                    p.device->sendInput(frameInput(options_.layout, report));
                    log_.line("unsolicited %s %s", p.label.c_str(), hex(report).c_str());
                }
            }
            break;
        case UhidEvent::Kind::Close:
            log_.line("close %s", p.label.c_str());
            break;
        case UhidEvent::Kind::Output:
            log_.line("output %s %s", p.label.c_str(), hex(ev.data).c_str());
            if (p.receiver) {
                answer(p, ev.data);
            }
            break;
        case UhidEvent::Kind::GetReport:
        case UhidEvent::Kind::SetReport:
            p.device->refuse(ev);
            break;
        case UhidEvent::Kind::Other:
            break;
        }
    }

    void answer(Presented& p, const std::vector<std::uint8_t>& output) {
        const auto command = commandOf(output);
        if (!command) {
            return;
        }
        const bool recordRequest = *command >= protocol::FirstRecordRequest &&
                                   *command < protocol::FirstRecordRequest + protocol::SensorCount;
        if (recordRequest && ++p.recordRequests == options_.unplugAfter) {
            p.unplugAt = Clock::now() + UnplugDelay;
            return;
        }
        const auto record = p.model.handleCommand(*command);
        if (!record || options_.silent) {
            return;
        }
        const std::vector<std::uint8_t> data(record->begin(), record->end());
        p.device->sendInput(frameInput(options_.layout, data));
        log_.line("input %s %s", p.label.c_str(), hex(data).c_str());
    }

    // The kernel numbers devices as its workers add them, and the platform
    // lists devices of one vendor and product in that order: the next device
    // is plugged only once this one has started, so the order is the
    // plugging order even on a busy machine.
    void awaitStart(Presented& p) {
        const auto deadline = Clock::now() + StartDeadline;
        while (!p.started && Clock::now() < deadline) {
            pollfd fd{p.device->fd(), POLLIN, 0};
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (::poll(&fd, 1, static_cast<int>(std::max<long long>(left, 0))) < 0 &&
                errno != EINTR) {
                return;
            }
            while (auto ev = p.device->readEvent()) {
                handle(p, *ev);
            }
        }
    }

    void announceReady() {
        if (plugging_) {
            return;
        }
        for (const Presented& p : presented_) {
            if (p.device->plugged() && !p.started) {
                return;
            }
        }
        log_.line("ready");
    }

    int pollTimeoutMs() const {
        std::optional<Clock::time_point> next;
        for (const Presented& p : presented_) {
            for (const auto& t : {p.unplugAt, p.replugAt}) {
                if (t && (!next || *t < *next)) {
                    next = t;
                }
            }
        }
        if (!next) {
            return -1;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
        return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
    }

    void runTimers() {
        const auto now = Clock::now();
        for (Presented& p : presented_) {
            if (p.unplugAt && *p.unplugAt <= now) {
                p.unplugAt.reset();
                p.device->unplug();
                p.started = false;
                log_.line("unplugged %s", p.label.c_str());
                if (options_.replugAfter) {
                    p.replugAt = now + *options_.replugAfter;
                }
            }
            if (p.replugAt && *p.replugAt <= now) {
                p.replugAt.reset();
                std::string error;
                if (p.device->plug(error)) {
                    log_.line("replugged %s", p.label.c_str());
                } else {
                    std::fprintf(stderr, "tyrescope-emulator: %s\n", error.c_str());
                }
            }
        }
    }

    EmulatorOptions options_;
    Log log_;
    std::vector<Presented> presented_;
    bool plugging_ = false; // no "ready" before every device is plugged
};

} // namespace

int main(int argc, char** argv) {
    const auto parsed = parseEmulatorOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::fprintf(stderr, "tyrescope-emulator: %s\n%s", parsed.error.c_str(), EmulatorUsage);
        return 2;
    }
    if (parsed.options->help) {
        std::fputs(EmulatorUsage, stdout);
        return 0;
    }

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    Emulator emulator(*parsed.options);
    if (!emulator.start()) {
        return 1;
    }
    emulator.run();
    return 0;
}
