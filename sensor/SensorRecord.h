// SPDX-License-Identifier: MIT
#pragma once

#include "protocol/ReceiverProtocol.h"

#include <QString>
#include <array>
#include <cstdint>

// The four-byte record the receiver keeps per tyre sensor, and what it means.
namespace sensor {

struct SensorRecord {
    std::uint8_t pressure = 0;    // p: p * 2.5 - 100 kPa
    std::uint8_t temperature = 0; // t: t - 40 degC
    std::uint8_t battery = 0;     // low 7 bits: level 0..127
    std::uint8_t status = 0;      // whole-byte status code

    static constexpr SensorRecord of(const protocol::Record& bytes) {
        return {bytes[0], bytes[1], bytes[2], bytes[3]};
    }

    friend bool operator==(const SensorRecord&, const SensorRecord&) = default;
};

// The five records of the last acquisition cycle, sensor index 0..4.
using SensorData = std::array<SensorRecord, protocol::SensorCount>;

enum class BatteryClass { None, Low, Mid, High };

BatteryClass batteryClass(std::uint8_t battery);
// "high", "mid", "low"; "none" for no data.
QString batteryName(BatteryClass battery);

// The status in words: "Normal mode", "Temperature alert", "?" for an unknown code.
QString statusName(std::uint8_t status);
// The text shown in a panel's status line: "Status: Normal mode".
QString statusText(std::uint8_t status);

} // namespace sensor
