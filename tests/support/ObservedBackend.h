// SPDX-License-Identifier: MIT
#pragma once

#include "hid/HidBackend.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// What passes between the transport and each HID interface, as the transport
// sees it: a backend that hands every call on to another one and keeps count.
// A test can also step in just before a report is written.
class ObservedBackend final : public hid::Backend {
public:
    using Report = std::vector<std::uint8_t>;
    struct Traffic {
        std::vector<Report> received; // reports written and taken, oldest first
        long long writes = 0;         // the same, all counted
        int openAttempts = 0;
        int openHandles = 0; // open right now
        int reads = 0;
        std::chrono::milliseconds lastReadTimeout{0};
    };

    // keepReports false: counts only, for runs of millions of exchanges.
    explicit ObservedBackend(hid::Backend& inner, bool keepReports = true)
        : inner_(inner), keepReports_(keepReports) {}

    Traffic& of(const std::string& path) { return traffic_[path]; }
    template <typename Interface> Traffic& of(const Interface& interface) {
        return of(interface.path());
    }
    int openHandles() const {
        int total = 0;
        for (const auto& [path, traffic] : traffic_) {
            total += traffic.openHandles;
        }
        return total;
    }
    int enumerations() const { return enumerations_; }
    std::function<void()> beforeWrite;

    std::vector<hid::InterfaceInfo> enumerate() override {
        ++enumerations_;
        return inner_.enumerate();
    }
    OpenResult open(const std::string& path) override {
        Traffic& traffic = of(path);
        ++traffic.openAttempts;
        OpenResult opened = inner_.open(path);
        if (opened.device) {
            opened.device = std::make_unique<Observed>(std::move(opened.device), *this, traffic);
        }
        return opened;
    }

private:
    class Observed final : public hid::Device {
    public:
        Observed(std::unique_ptr<hid::Device> inner, ObservedBackend& owner, Traffic& traffic)
            : inner_(std::move(inner)), owner_(owner), traffic_(traffic) {
            ++traffic_.openHandles;
        }
        ~Observed() override { --traffic_.openHandles; }
        Observed(const Observed&) = delete;
        Observed& operator=(const Observed&) = delete;

        hid::ReportLengths reportLengths() const override { return inner_->reportLengths(); }
        bool write(std::span<const std::uint8_t> report) override {
            if (owner_.beforeWrite) {
                owner_.beforeWrite();
            }
            const bool taken = inner_->write(report);
            lastError_ = inner_->lastError();
            if (taken) {
                ++traffic_.writes;
                if (owner_.keepReports_) {
                    traffic_.received.emplace_back(report.begin(), report.end());
                }
            }
            return taken;
        }
        hid::ReadStatus read(std::vector<std::uint8_t>& report,
                             std::chrono::milliseconds timeout) override {
            ++traffic_.reads;
            traffic_.lastReadTimeout = timeout;
            const hid::ReadStatus status = inner_->read(report, timeout);
            lastError_ = inner_->lastError();
            return status;
        }
        void discardPending() override { inner_->discardPending(); }

    private:
        std::unique_ptr<hid::Device> inner_;
        ObservedBackend& owner_;
        Traffic& traffic_;
    };

    hid::Backend& inner_;
    bool keepReports_;
    std::map<std::string, Traffic> traffic_; // a map: each entry stays where it is
    int enumerations_ = 0;
};
