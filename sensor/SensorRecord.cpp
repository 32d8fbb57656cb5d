// SPDX-License-Identifier: MIT
#include "sensor/SensorRecord.h"

namespace sensor {

BatteryClass batteryClass(std::uint8_t battery) {
    if (battery == protocol::NoData)
        return BatteryClass::None;
    // Bit 7 is not part of the level, so 128..254 class like 0..126.
    const int level = battery & 0x7F;
    if (level > 66)
        return BatteryClass::High;
    if (level > 33)
        return BatteryClass::Mid;
    return BatteryClass::Low;
}

QString batteryName(BatteryClass battery) {
    switch (battery) {
    case BatteryClass::High:
        return QStringLiteral("high");
    case BatteryClass::Mid:
        return QStringLiteral("mid");
    case BatteryClass::Low:
        return QStringLiteral("low");
    case BatteryClass::None:
        break;
    }
    return QStringLiteral("none");
}

QString statusName(std::uint8_t status) {
    // A single code, never a bit field: 130 is not a pressure alert.
    switch (status) {
    case 0:
        return QStringLiteral("Storage mode");
    case 1:
        return QStringLiteral("Normal mode");
    case 2:
        return QStringLiteral("Pressure alert");
    case 3:
        return QStringLiteral("Temperature alert");
    default:
        return QStringLiteral("?");
    }
}

QString statusText(std::uint8_t status) {
    // Spelled so on the receiver's panels.
    const QString caption = status == 3 ? QStringLiteral("Ststus: ") : QStringLiteral("Status: ");
    return caption + statusName(status);
}

} // namespace sensor
