// SPDX-License-Identifier: MIT
#pragma once

#include "hid/HidBackend.h"
#include "hid/ReceiverChoice.h"
#include "protocol/ReceiverProtocol.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The receiver transport: finds the receiver, sends one-byte commands and
// waits for its answers. One instance serves the whole program; tests make
// fresh ones over an emulated backend.
class ModHIDCom {
public:
    static constexpr std::chrono::milliseconds ReadTimeout{1000};
    // Report ID plus the four record bytes: after a completed read InputBuffer
    // holds at least this many bytes, whatever the receiver declared.
    static constexpr std::size_t RecordReportLength = 1 + protocol::RecordLength;
    // Bytes written when the receiver declared no output report length.
    static constexpr std::size_t FallbackOutputLength = 3;

    explicit ModHIDCom(hid::Backend& backend);
    ~ModHIDCom();
    ModHIDCom(const ModHIDCom&) = delete;
    ModHIDCom& operator=(const ModHIDCom&) = delete;

    // Which receiver later searches take; by default the first that opens.
    void choose(hid::ReceiverChoice choice) { choice_ = std::move(choice); }
    const hid::ReceiverChoice& choice() const { return choice_; }

    // Looks for the receiver and opens it; true when it is open, which
    // DeviceConnected says from then on. A receiver another copy holds is
    // passed over like any that cannot be opened.
    bool OpenReceiver();
    // OpenReceiver unless the receiver is connected; returns DeviceConnected.
    bool ensureOpen();
    // Sends OutputBuffer as one output report after the report ID 0.
    void WriteReport();
    // Waits at most ReadTimeout for one input report into InputBuffer; a lost
    // answer closes the receiver and clears DeviceConnected.
    void ReadReport();
    // Closes the receiver and clears DeviceConnected; nothing is sent. Safe
    // to call when it is not open.
    void CloseReceiver();

    // One command with no answer awaited: the command byte into OutputBuffer,
    // then WriteReport.
    void SendCommand(std::uint8_t command);
    // One command and its answer: SendCommand, then ReadReport. Returns
    // DeviceConnected, which says whether InputBuffer holds the answer.
    bool Request(std::uint8_t command);

    // The receiver has been found and opened and not lost since.
    bool DeviceConnected() const { return deviceConnected_; }
    // The last input report: report ID at index 0, then the data.
    const std::vector<std::uint8_t>& InputBuffer() const { return inputBuffer_; }

    // Path of the receiver last opened, empty until one was found.
    const std::string& DevicePath() const { return devicePath_; }
    // Serial number of that receiver, empty when it has none.
    const std::string& DeviceSerial() const { return deviceSerial_; }
    // The last search found no receiver to open but one another copy holds.
    bool ReceiverInUse() const { return receiverInUse_; }
    // The last search found several receivers with the chosen serial number
    // and opened none of them.
    bool ChoiceAmbiguous() const { return choiceAmbiguous_; }
    // Why the receiver was last not found, not opened or lost, for
    // diagnostics; the window shows none of it.
    const std::string& LastError() const { return lastError_; }

private:
    hid::Backend& backend_;
    bool deviceConnected_ = false;
    std::array<std::uint8_t, 2> outputBuffer_{};
    std::vector<std::uint8_t> inputBuffer_;
    std::unique_ptr<hid::Device> device_;
    hid::ReportLengths lengths_;
    hid::ReceiverChoice choice_;
    std::string devicePath_;
    std::string deviceSerial_;
    bool receiverInUse_ = false;
    bool choiceAmbiguous_ = false;
    std::string lastError_;
};
