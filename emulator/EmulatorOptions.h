// SPDX-License-Identifier: MIT
#pragma once

#include "emulator/ReportLayout.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The command line of tyrescope-emulator: what the virtual receiver presents
// and the scripted behaviour a test needs.
namespace emulator {

struct EmulatorOptions {
    static constexpr int SensorCount = 5;
    static constexpr int MaxReceivers = 4;

    ReportLayout layout;
    // Record per sensor index; unset sensors keep the demo records below.
    std::array<std::optional<std::array<std::uint8_t, 4>>, SensorCount> records;
    bool silent = false; // never answer a record request
    // Sent unasked, in order, each time the host opens a receiver.
    std::vector<std::vector<std::uint8_t>> unsolicited;
    std::vector<std::string> serials; // of receiver 1, 2, ...; the others have none
    int unplugAfter = 0;              // unplug at this record request (not answered); 0 never
    std::optional<std::chrono::milliseconds> replugAfter; // plug back in this long after unplugging
    bool decoys = false;                                  // also 0000:0000, 0000:0002 and 0001:0001
    int receivers = 1;
    bool quiet = false; // no event log on stdout
    bool help = false;

    // Records the receiver holds when none is given: plausible tyres, so the
    // emulator is useful on a desktop without options.
    static std::array<std::uint8_t, 4> demoRecord(int sensorIndex);
};

struct ParsedOptions {
    std::optional<EmulatorOptions> options; // empty on error
    std::string error;
};

ParsedOptions parseEmulatorOptions(const std::vector<std::string>& args);

extern const char* const EmulatorUsage;

} // namespace emulator
