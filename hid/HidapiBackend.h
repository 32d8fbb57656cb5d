// SPDX-License-Identifier: MIT
#pragma once

#include "hid/HidBackend.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The platform's HID access through hidapi (hidraw on Linux).
namespace hid {

inline constexpr const char* DefaultSysfsRoot = "/sys/class/hidraw";

class HidapiBackend final : public Backend {
public:
    // sysfsRoot: where the kernel lists hidraw nodes; tests give their own.
    explicit HidapiBackend(std::string sysfsRoot = DefaultSysfsRoot);
    ~HidapiBackend() override;
    HidapiBackend(const HidapiBackend&) = delete;
    HidapiBackend& operator=(const HidapiBackend&) = delete;

    // Every present interface once, in hidapi's order, with the report lengths
    // from its descriptor where that can be read without opening it.
    std::vector<InterfaceInfo> enumerate() override;
    OpenResult open(const std::string& path) override;

private:
    struct Library;
    // Keeps hidapi initialised while any device opened through it lives.
    std::shared_ptr<Library> library_;
    std::string sysfsRoot_;
};

namespace detail {

// Where the kernel shows a hidraw node's report descriptor, readable without
// privileges: "/dev/hidraw3" gives "/sys/class/hidraw/hidraw3/device/report_descriptor".
std::optional<std::string>
sysfsReportDescriptorPath(const std::string& devicePath,
                          const std::string& sysfsRoot = DefaultSysfsRoot);

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path);

// Calls attempt(remaining milliseconds) until it returns anything but -1 with
// errno EINTR, shrinking the time against a monotonic deadline so signals
// cannot stretch the wait. Interrupted with no time left counts as a time-out
// (0).
int retryInterrupted(const std::function<int(int)>& attempt, std::chrono::milliseconds timeout);

} // namespace detail
} // namespace hid
