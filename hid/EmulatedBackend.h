// SPDX-License-Identifier: MIT
#pragma once

#include "hid/HidBackend.h"
#include "hid/ReceiverModel.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

// An in-process stand-in for the platform's HID access: a list of emulated
// interfaces, each of which can carry a receiver. Tests script it; the
// --simulate mode drives it over time. Reads never wait: where a real device
// would stay silent until the time-out, a read reports the time-out at once.
// Not thread-safe: use it from the thread that uses the transport.
namespace hid {

class EmulatedBackend final : public Backend {
public:
    struct InterfaceOptions {
        std::uint16_t vendorId = protocol::VendorId;
        std::uint16_t productId = protocol::ProductId;
        std::uint16_t usagePage = 0xFF00;
        std::uint16_t usage = 0x0001;
        ReportLengths lengths{5, 3, 0};
        std::uint8_t inputReportId = 0; // 0: the device does not number its reports
        bool openable = true;           // false: every open fails, as without permission
        bool heldElsewhere = false;     // every open fails: another copy holds it
        std::string serial;
        std::string manufacturer = "Tyrescope";
        std::string product = "Emulated receiver";
    };

    class Interface;

    EmulatedBackend();
    ~EmulatedBackend() override;
    EmulatedBackend(const EmulatedBackend&) = delete;
    EmulatedBackend& operator=(const EmulatedBackend&) = delete;

    // Appends an interface to the list; interfaces are listed in the order
    // they were added. Paths are "emulated/0", "emulated/1", ...
    Interface& add(const InterfaceOptions& options);
    // A receiver with the given report lengths.
    Interface& addReceiver(ReportLengths lengths = {5, 3, 0});
    // Some other HID device, never answering.
    Interface& addOther(std::uint16_t vendorId, std::uint16_t productId);

    // The interface behind a path; nullptr when there is none.
    Interface* find(const std::string& path);
    std::size_t interfaceCount() const { return interfaces_.size(); }
    Interface& at(std::size_t index) { return *interfaces_.at(index); }

    std::vector<InterfaceInfo> enumerate() override;
    OpenResult open(const std::string& path) override;

private:
    std::vector<std::shared_ptr<Interface>> interfaces_;
};

class EmulatedBackend::Interface {
public:
    using Report = std::vector<std::uint8_t>;

    Interface(std::string path, EmulatedBackend::InterfaceOptions options);

    const std::string& path() const { return path_; }
    // Changes apply to handles opened afterwards.
    EmulatedBackend::InterfaceOptions& options() { return options_; }
    InterfaceInfo info() const;

    // The receiver behind this interface: records held, answers, resets.
    ReceiverModel& model() { return model_; }

    // Presence. Unplugging kills every open handle for good (writes fail,
    // reads fail at once, as hidraw does); plugging back in lets new opens
    // succeed.
    void unplug();
    void plug();
    bool plugged() const { return plugged_; }
    // The n-th report written from now on (1: the next one) finds the
    // interface unplugged and never arrives.
    void unplugOnWrite(int n);

    // Scripts for the next record requests the model would answer, consumed
    // one per request in order: a raw report (report ID at index 0, any
    // length) instead of the model's answer, or no answer at all.
    void answerNextWith(Report report);
    void stayQuietNext(int requests = 1);
    // The next reads fail outright (not a time-out).
    void failNextWaits(int reads = 1);
    // An input report the device sends unasked; it lands in the queue of
    // every handle open now.
    void sendUnsolicited(const Report& report);

private:
    friend class EmulatedBackend;
    class Handle;
    struct Reaction {
        bool quiet = false;
        Report report;
    };

    bool alive(unsigned generation) const { return plugged_ && generation == generation_; }
    int openHandle();
    void closeHandle(int id);
    bool write(unsigned generation, const Report& report);
    ReadStatus read(unsigned generation, int id, Report& report);
    void discard(unsigned generation, int id);
    Report frame(const protocol::Record& record) const;
    void deliver(const Report& report);

    std::string path_;
    EmulatedBackend::InterfaceOptions options_;
    ReceiverModel model_;
    bool plugged_ = true;
    unsigned generation_ = 0;
    int unplugCountdown_ = 0;
    int failingWaits_ = 0;
    std::deque<Reaction> reactions_;
    struct Queue {
        unsigned generation = 0; // handles of an earlier plug-in are dead
        std::deque<Report> reports;
    };
    std::map<int, Queue> queues_; // one input queue per open handle
    int nextHandleId_ = 0;
};

} // namespace hid
