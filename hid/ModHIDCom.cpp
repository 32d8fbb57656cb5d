// SPDX-License-Identifier: MIT
#include "hid/ModHIDCom.h"

#include <algorithm>

ModHIDCom::ModHIDCom(hid::Backend& backend) : backend_(backend) {}

ModHIDCom::~ModHIDCom() = default;

bool ModHIDCom::OpenReceiver() {
    // A receiver that was lost may still be held; dropping it first keeps
    // repeated searches from piling up handles.
    closeDevice();
    DeviceConnected = false;

    const std::vector<hid::InterfaceInfo> present = backend_.enumerate();
    lastError_ = "no receiver among the " + std::to_string(present.size()) + " HID interfaces";
    for (const hid::InterfaceInfo& info : present) {
        if (info.vendorId != ReceiverVendorId || info.productId != ReceiverProductId) {
            continue;
        }
        hid::Backend::OpenResult opened = backend_.open(info.path);
        if (!opened.device) {
            // e.g. no permission: the next receiver may do
            lastError_ = "cannot open the receiver at " + info.path + ": " + opened.error;
            continue;
        }
        lastError_.clear();
        device_ = std::move(opened.device);
        devicePath_ = info.path;
        lengths_ = device_->reportLengths();
        if (lengths_.input > hid::MaxReportLength || lengths_.output > hid::MaxReportLength ||
            lengths_.feature > hid::MaxReportLength) {
            lengths_ = {}; // not a length any platform carries: unknown
        }
        DeviceConnected = true;
        break;
    }
    return DeviceConnected;
}

void ModHIDCom::WriteReport() {
    if (!device_) {
        return;
    }
    std::size_t n = lengths_.output;
    if (n == 0) {
        n = FallbackOutputLength;
    }
    // Report ID 0, then OutputBuffer as far as the report reaches; any byte
    // beyond OutputBuffer stays 0.
    std::vector<std::uint8_t> report(n, 0);
    const std::size_t carried = std::min(n - 1, OutputBuffer.size());
    std::copy_n(OutputBuffer.begin(), carried, report.begin() + 1);

    // Only an answer to this request may be read next.
    device_->discardPending();
    lastError_.clear();
    if (!device_->write(report)) {
        // Not a loss yet: the missing answer will tell.
        lastError_ = "writing to " + devicePath_ + " failed: " + device_->lastError();
    }
}

void ModHIDCom::ReadReport() {
    const std::size_t n = lengths_.input;
    if (!device_) {
        InputBuffer.assign(n, 0);
        DeviceConnected = false;
        lastError_ = "the receiver is not open";
        return;
    }

    std::vector<std::uint8_t> report;
    const hid::ReadStatus status = device_->read(report, ReadTimeout);
    if (status == hid::ReadStatus::Report) {
        // Bytes beyond the declared length are not part of the answer (when
        // no length is known, the platform's limit still holds). Only then
        // are missing record bytes filled with "no data", so a record never
        // takes a byte the receiver did not both send and declare.
        report.resize(std::min(report.size(), n == 0 ? hid::MaxReportLength : n));
        report.resize(std::max(n == 0 ? report.size() : n, RecordReportLength), protocol::NoData);
        InputBuffer = std::move(report);
        return;
    }

    // A time-out and a failed wait end the same way: nothing stays pending or
    // open, and the next cycle searches again.
    // A failed write is the likelier cause, so it goes along.
    const std::string write = lastError_.empty() ? "" : " (" + lastError_ + ")";
    if (status == hid::ReadStatus::Timeout) {
        lastError_ = "no answer from " + devicePath_ + " within " +
                     std::to_string(ReadTimeout.count()) + " ms" + write;
    } else {
        lastError_ = "reading from " + devicePath_ + " failed: " + device_->lastError() + write;
    }
    InputBuffer.assign(n, 0);
    closeDevice();
    DeviceConnected = false;
}

void ModHIDCom::SendCommand(std::uint8_t command) {
    OutputBuffer[0] = command;
    WriteReport();
}

bool ModHIDCom::Request(std::uint8_t command) {
    SendCommand(command);
    ReadReport();
    return DeviceConnected;
}

void ModHIDCom::CloseReceiver() {
    closeDevice();
}

std::size_t ModHIDCom::InputReportByteLength() const {
    return lengths_.input;
}

std::size_t ModHIDCom::OutputReportByteLength() const {
    return lengths_.output;
}

void ModHIDCom::closeDevice() {
    device_.reset();
}
