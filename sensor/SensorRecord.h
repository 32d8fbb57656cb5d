#pragma once

#include <QString>
#include <array>
#include <cstdint>

// The receiver's command set and the four-byte record it keeps per tyre sensor.
namespace sensor {

inline constexpr int SensorCount = 5;

// A field holding this value carries no data.
inline constexpr std::uint8_t NoData = 0xFF;

// Commands, one byte each, sent as the first byte after the report ID.
inline constexpr std::uint8_t FirstRecordRequest = 33; // record of sensor index 0
inline constexpr std::uint8_t DataReset = 254;         // receiver deletes its stored data
inline constexpr std::uint8_t MasterReset = 255;       // receiver forgets its sensors

constexpr std::uint8_t recordRequest(int sensorIndex) {
    return static_cast<std::uint8_t>(FirstRecordRequest + sensorIndex);
}

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
