// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// One virtual HID device on /dev/uhid: each open of /dev/uhid carries one
// device, which lives from UHID_CREATE2 until UHID_DESTROY or the close of
// the file. Linux only.
namespace emulator {

struct UhidIdentity {
    std::string name;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::vector<std::uint8_t> reportDescriptor;
    std::string serial; // the kernel's "uniq", which hidapi gives as the serial number
};

struct UhidEvent {
    enum class Kind { Start, Stop, Open, Close, Output, GetReport, SetReport, Other };
    Kind kind = Kind::Other;
    std::vector<std::uint8_t> data; // Output: the report as the host wrote it
    std::uint32_t requestId = 0;    // GetReport, SetReport: to be answered
};

class UhidDevice {
public:
    explicit UhidDevice(UhidIdentity identity);
    ~UhidDevice();
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    // Opens /dev/uhid; false with `error` set when that fails.
    bool open(std::string& error);
    // Plugs the device in (UHID_CREATE2) or out (UHID_DESTROY); the same
    // file can plug it in again.
    bool plug(std::string& error);
    bool unplug();
    bool plugged() const { return plugged_; }

    bool sendInput(std::span<const std::uint8_t> report);
    // Reads one pending event; call it when the descriptor is readable.
    std::optional<UhidEvent> readEvent();
    // GET_REPORT and SET_REPORT must be answered or the host's request hangs
    // for seconds; the receiver has no feature reports, so both fail.
    void refuse(const UhidEvent& request);

    int fd() const { return fd_; }
    const UhidIdentity& identity() const { return identity_; }

private:
    UhidIdentity identity_;
    int fd_ = -1;
    bool plugged_ = false;
};

} // namespace emulator
