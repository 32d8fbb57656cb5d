// SPDX-License-Identifier: MIT
#include "hid/EmulatedBackend.h"

#include <algorithm>
#include <utility>

namespace hid {

class EmulatedBackend::Interface::Handle final : public Device {
public:
    static constexpr const char* NoDevice = "No such device"; // as hidraw says it
    Handle(std::shared_ptr<Interface> owner, ReportLengths lengths)
        : owner_(std::move(owner)), lengths_(lengths), generation_(owner_->generation_),
          id_(owner_->openHandle()) {}
    ~Handle() override { owner_->closeHandle(id_); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    ReportLengths reportLengths() const override { return lengths_; }
    bool write(std::span<const std::uint8_t> report) override {
        const bool sent = owner_->write(generation_, Report(report.begin(), report.end()));
        lastError_ = sent ? std::string() : std::string(NoDevice);
        return sent;
    }
    // Never waits: where a real device would stay silent, the time-out comes at once.
    ReadStatus read(std::vector<std::uint8_t>& report, std::chrono::milliseconds) override {
        const bool gone = !owner_->alive(generation_);
        const ReadStatus status = owner_->read(generation_, id_, report);
        lastError_ = status != ReadStatus::Failed ? "" : gone ? NoDevice : "Input/output error";
        return status;
    }
    void discardPending() override { owner_->discard(generation_, id_); }

private:
    std::shared_ptr<Interface> owner_;
    ReportLengths lengths_;
    unsigned generation_;
    int id_;
};

EmulatedBackend::EmulatedBackend() = default;
EmulatedBackend::~EmulatedBackend() = default;

EmulatedBackend::Interface& EmulatedBackend::add(const InterfaceOptions& options) {
    const std::string path = "emulated/" + std::to_string(interfaces_.size());
    interfaces_.push_back(std::make_shared<Interface>(path, options));
    return *interfaces_.back();
}

EmulatedBackend::Interface& EmulatedBackend::addReceiver(ReportLengths lengths) {
    InterfaceOptions options;
    options.lengths = lengths;
    return add(options);
}

EmulatedBackend::Interface& EmulatedBackend::addOther(std::uint16_t vendorId,
                                                      std::uint16_t productId) {
    InterfaceOptions options;
    options.vendorId = vendorId;
    options.productId = productId;
    options.usagePage = 0x0001;
    options.usage = 0x0002;
    options.lengths = {4, 0, 0};
    options.product = "Emulated HID device";
    return add(options);
}

EmulatedBackend::Interface* EmulatedBackend::find(const std::string& path) {
    const auto it = std::find_if(interfaces_.begin(), interfaces_.end(),
                                 [&](const auto& i) { return i->path() == path; });
    return it == interfaces_.end() ? nullptr : it->get();
}

std::vector<InterfaceInfo> EmulatedBackend::enumerate() {
    std::vector<InterfaceInfo> list;
    for (const auto& i : interfaces_) {
        if (i->plugged()) {
            list.push_back(i->info());
        }
    }
    return list;
}

Backend::OpenResult EmulatedBackend::open(const std::string& path) {
    const auto it = std::find_if(interfaces_.begin(), interfaces_.end(),
                                 [&](const auto& i) { return i->path() == path; });
    if (it == interfaces_.end()) {
        return {nullptr, "No such device"};
    }
    Interface& target = **it;
    if (!target.plugged_) {
        return {nullptr, "No such device"};
    }
    if (!target.options_.openable) {
        return {nullptr, "Permission denied"};
    }
    if (target.options_.heldElsewhere) {
        return {nullptr, InUseError, true};
    }
    return {std::make_unique<Interface::Handle>(*it, target.options_.lengths), {}};
}

EmulatedBackend::Interface::Interface(std::string path, EmulatedBackend::InterfaceOptions options)
    : path_(std::move(path)), options_(std::move(options)) {}

InterfaceInfo EmulatedBackend::Interface::info() const {
    InterfaceInfo info;
    info.path = path_;
    info.vendorId = options_.vendorId;
    info.productId = options_.productId;
    info.usagePage = options_.usagePage;
    info.usage = options_.usage;
    info.serial = options_.serial;
    info.manufacturer = options_.manufacturer;
    info.product = options_.product;
    info.reportLengths = options_.lengths;
    return info;
}

void EmulatedBackend::Interface::unplug() {
    plugged_ = false;
    ++generation_;
    unplugCountdown_ = 0;
    for (auto& [id, queue] : queues_) {
        queue.reports.clear();
    }
}

void EmulatedBackend::Interface::plug() {
    plugged_ = true;
}

void EmulatedBackend::Interface::unplugOnWrite(int n) {
    unplugCountdown_ = std::max(n, 0);
}

void EmulatedBackend::Interface::answerNextWith(Report report) {
    reactions_.push_back({false, std::move(report)});
}

void EmulatedBackend::Interface::stayQuietNext(int requests) {
    for (int k = 0; k < requests; ++k) {
        reactions_.push_back({true, {}});
    }
}

void EmulatedBackend::Interface::failNextWaits(int reads) {
    failingWaits_ += std::max(reads, 0);
}

void EmulatedBackend::Interface::sendUnsolicited(const Report& report) {
    if (plugged_) {
        deliver(report);
    }
}

int EmulatedBackend::Interface::openHandle() {
    const int id = nextHandleId_++;
    queues_[id].generation = generation_;
    return id;
}

void EmulatedBackend::Interface::closeHandle(int id) {
    queues_.erase(id);
}

bool EmulatedBackend::Interface::write(unsigned generation, const Report& report) {
    if (!alive(generation)) {
        return false;
    }
    if (unplugCountdown_ > 0 && --unplugCountdown_ == 0) {
        unplug();
        return false;
    }
    if (report.size() < 2) {
        return true; // the report ID alone carries no command
    }
    const std::optional<protocol::Record> answer = model_.handleCommand(report[1]);
    if (!answer) {
        return true;
    }
    if (reactions_.empty()) {
        if (options_.lengths.input > 0) { // a device without input reports cannot answer
            deliver(frame(*answer));
        }
        return true;
    }
    Reaction reaction = std::move(reactions_.front());
    reactions_.pop_front();
    if (!reaction.quiet) {
        deliver(reaction.report);
    }
    return true;
}

ReadStatus EmulatedBackend::Interface::read(unsigned generation, int id, Report& report) {
    if (!alive(generation)) {
        return ReadStatus::Failed;
    }
    if (failingWaits_ > 0) {
        --failingWaits_;
        return ReadStatus::Failed;
    }
    std::deque<Report>& queue = queues_.at(id).reports;
    if (queue.empty()) {
        return ReadStatus::Timeout;
    }
    report = std::move(queue.front());
    queue.pop_front();
    return ReadStatus::Report;
}

void EmulatedBackend::Interface::discard(unsigned generation, int id) {
    if (alive(generation)) {
        queues_.at(id).reports.clear();
    }
}

EmulatedBackend::Interface::Report
EmulatedBackend::Interface::frame(const protocol::Record& record) const {
    // Exactly the declared input length, as the kernel insists; a device
    // declaring fewer than five bytes sends a truncated record.
    const std::size_t n = options_.lengths.input;
    Report report(n, 0);
    if (n > 0) {
        report[0] = options_.inputReportId;
        std::copy_n(record.begin(), std::min(record.size(), n - 1), report.begin() + 1);
    }
    return report;
}

void EmulatedBackend::Interface::deliver(const Report& report) {
    for (auto& [id, queue] : queues_) {
        if (queue.generation == generation_) {
            queue.reports.push_back(report);
        }
    }
}

} // namespace hid
