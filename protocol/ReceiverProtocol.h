// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The receiver's protocol: how it is recognised, its one-byte commands and
// the record it answers with. Needs only the standard library, so the
// program, the emulated receiver and the uhid emulator all share this one
// definition.
namespace protocol {

// The receiver is recognised by these two IDs alone.
inline constexpr std::uint16_t VendorId = 0x0000;
inline constexpr std::uint16_t ProductId = 0x0001;

constexpr bool isReceiver(std::uint16_t vendorId, std::uint16_t productId) {
    return vendorId == VendorId && productId == ProductId;
}

inline constexpr int SensorCount = 5;

// A record field holding this value carries no data.
inline constexpr std::uint8_t NoData = 0xFF;

// Commands, one byte each, sent as the first byte after the report ID.
inline constexpr std::uint8_t FirstRecordRequest = 33; // record of sensor index 0
inline constexpr std::uint8_t DataReset = 254;         // receiver deletes its stored data
inline constexpr std::uint8_t MasterReset = 255;       // receiver forgets its sensors

// pressure, temperature, battery, status; the answer is the report ID byte
// followed by these.
inline constexpr std::size_t RecordLength = 4;
using Record = std::array<std::uint8_t, RecordLength>;
inline constexpr Record NoDataRecord{NoData, NoData, NoData, NoData};

constexpr std::uint8_t recordRequest(int sensorIndex) {
    return static_cast<std::uint8_t>(FirstRecordRequest + sensorIndex);
}

} // namespace protocol
