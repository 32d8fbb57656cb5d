// SPDX-License-Identifier: MIT
#include "hid/ModHIDCom.h"

#include <algorithm>

ModHIDCom::ModHIDCom(hid::Backend& backend) : backend_(backend) {}

ModHIDCom::~ModHIDCom() = default;

bool ModHIDCom::OpenReceiver() {
    // A receiver that was lost may still be held; dropping it first keeps
    // repeated searches from piling up handles.
    CloseReceiver();

    const std::vector<hid::InterfaceInfo> present = backend_.enumerate();
    const std::vector<hid::InterfaceInfo> receivers = hid::receiversFor(present, choice_);
    receiverInUse_ = false;
    choiceAmbiguous_ = hid::isAmbiguous(choice_, receivers);
    if (choiceAmbiguous_) {
        lastError_ = std::to_string(receivers.size()) + " receivers have the serial number " +
                     choice_.serial;
        return false;
    }
    lastError_ = "no receiver" + std::string(choice_.any() ? "" : " of the choice") +
                 " among the " + std::to_string(present.size()) + " HID interfaces";
    for (const hid::InterfaceInfo& info : receivers) {
        hid::Backend::OpenResult opened = backend_.open(info.path);
        if (!opened.device) {
            // e.g. no permission, or another copy's: the next receiver may do
            lastError_ = "cannot open the receiver at " + info.path + ": " + opened.error;
            receiverInUse_ = receiverInUse_ || opened.inUse;
            continue;
        }
        lastError_.clear();
        receiverInUse_ = false;
        device_ = std::move(opened.device);
        devicePath_ = info.path;
        deviceSerial_ = info.serial;
        lengths_ = device_->reportLengths();
        if (lengths_.input > hid::MaxReportLength || lengths_.output > hid::MaxReportLength ||
            lengths_.feature > hid::MaxReportLength) {
            lengths_ = {}; // not a length any platform carries: unknown
        }
        deviceConnected_ = true;
        break;
    }
    return deviceConnected_;
}

bool ModHIDCom::ensureOpen() {
    return deviceConnected_ || OpenReceiver();
}

void ModHIDCom::WriteReport() {
    if (!device_) {
        return;
    }
    std::size_t n = lengths_.output;
    if (n == 0) {
        n = FallbackOutputLength;
    }
    // Report ID 0, then outputBuffer_ as far as the report reaches; any byte
    // beyond outputBuffer_ stays 0.
    std::vector<std::uint8_t> report(n, 0);
    const std::size_t carried = std::min(n - 1, outputBuffer_.size());
    std::copy_n(outputBuffer_.begin(), carried, report.begin() + 1);

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
        inputBuffer_.assign(n, 0);
        deviceConnected_ = false;
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
        inputBuffer_ = std::move(report);
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
    inputBuffer_.assign(n, 0);
    CloseReceiver();
}

void ModHIDCom::SendCommand(std::uint8_t command) {
    outputBuffer_[0] = command;
    WriteReport();
}

bool ModHIDCom::Request(std::uint8_t command) {
    SendCommand(command);
    ReadReport();
    return deviceConnected_;
}

void ModHIDCom::CloseReceiver() {
    device_.reset();
    deviceConnected_ = false;
}
