// SPDX-License-Identifier: MIT
#pragma once

#include "sensor/ReceiverProtocol.h"

#include <QString>
#include <array>
#include <cstdint>

// The receiver's command set and the four-byte record it keeps per tyre sensor.
namespace sensor {

using protocol::DataReset;
using protocol::FirstRecordRequest;
using protocol::MasterReset;
using protocol::NoData;
using protocol::recordRequest;
using protocol::SensorCount;

struct SensorRecord {
    std::uint8_t pressure = 0;    // p: p * 2.5 - 100 kPa
    std::uint8_t temperature = 0; // t: t - 40 degC
    std::uint8_t battery = 0;     // low 7 bits: level 0..127
    std::uint8_t status = 0;      // whole-byte status code

    friend bool operator==(const SensorRecord&, const SensorRecord&) = default;
};

// The five records of the last acquisition cycle, sensor index 0..4.
using SensorData = std::array<SensorRecord, SensorCount>;

inline constexpr SensorRecord NoDataRecord{NoData, NoData, NoData, NoData};

enum class BatteryClass { None, Low, Mid, High };

BatteryClass batteryClass(std::uint8_t battery);

// The text shown in a panel's status line.
QString statusText(std::uint8_t status);

} // namespace sensor
