// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The platform's HID access, narrowed to what the receiver transport needs.
// The real implementation sits on hidapi; tests and --simulate use an
// emulated receiver behind the same interface.
namespace hid {

// The largest report, report ID byte included, that the platform carries
// (Linux hidraw's HID_MAX_BUFFER_SIZE). A declared length above it is no
// length at all: nothing is ever allocated or read by it.
inline constexpr std::size_t MaxReportLength = 16384;

// Byte lengths as Windows' HidP_GetCaps gives them: the largest report of the
// kind over all report IDs, plus one byte for the report ID; 0 when the
// collection has no report of that kind.
struct ReportLengths {
    std::size_t input = 0;
    std::size_t output = 0;
    std::size_t feature = 0;

    friend bool operator==(const ReportLengths&, const ReportLengths&) = default;
};

struct InterfaceInfo {
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t usagePage = 0; // top-level collection
    std::uint16_t usage = 0;
    // As the device gives them (USB string descriptors); any of them may be
    // empty. The serial tells receivers of the same kind apart.
    std::string serial;
    std::string manufacturer;
    std::string product;
    // From the report descriptor, read without opening the device; empty when
    // the descriptor could not be read or is not well formed, and then
    // lengthsUnknownWhy says which, for diagnostics.
    std::optional<ReportLengths> reportLengths;
    std::string lengthsUnknownWhy;
};

// Why an open failed when another copy of the program holds the receiver.
inline constexpr const char* InUseError = "in use by another copy of Tyrescope";

enum class ReadStatus { Report, Timeout, Failed };

// One open HID interface. Closing is the destructor's job, so a device can
// never be closed twice.
class Device {
public:
    virtual ~Device() = default;

    virtual ReportLengths reportLengths() const = 0;

    // Sends one output report; report[0] is the report ID.
    virtual bool write(std::span<const std::uint8_t> report) = 0;

    // Waits at most `timeout` for one input report. On Report, `report` holds
    // the report ID at index 0 followed by the data, whatever the platform
    // delivered.
    virtual ReadStatus read(std::vector<std::uint8_t>& report,
                            std::chrono::milliseconds timeout) = 0;

    // Drops every input report queued so far, so the next read returns only
    // a report that arrives after this call.
    virtual void discardPending() = 0;

    // Why the last write or read failed, in the platform's words, as hidapi's
    // hid_error gives it; empty after one that did not fail.
    const std::string& lastError() const { return lastError_; }

protected:
    std::string lastError_;
};

class Backend {
public:
    virtual ~Backend() = default;

    // Every HID interface present now, in a stable order, each path once.
    virtual std::vector<InterfaceInfo> enumerate() = 0;

    struct OpenResult {
        std::unique_ptr<Device> device; // null when the open failed
        std::string error;              // why it failed, for diagnostics
        bool inUse = false;             // another copy of the program holds it
    };
    virtual OpenResult open(const std::string& path) = 0;
};

} // namespace hid
