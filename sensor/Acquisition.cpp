// SPDX-License-Identifier: MIT
#include "sensor/Acquisition.h"

#include "hid/ModHIDCom.h"

namespace sensor {

Q_LOGGING_CATEGORY(lcHid, "tyrescope.hid", QtWarningMsg)

namespace {

// An answer that stops short reads as "no data" from where it ends, so a
// record never takes bytes that did not arrive.
std::uint8_t answerByte(const ModHIDCom& hid, std::size_t index) {
    return index < hid.InputBuffer.size() ? hid.InputBuffer[index] : NoData;
}

} // namespace

void acquireRecords(ModHIDCom& hid, SensorData& data) {
    if (!hid.DeviceConnected) {
        hid.DeviceConnected = hid.OpenReceiver();
        if (!hid.DeviceConnected) {
            qCInfo(lcHid, "receiver not found: %s", hid.LastError().c_str());
        }
    }

    if (hid.DeviceConnected) {
        for (int i = 0; i < SensorCount; ++i) {
            if (!hid.Request(recordRequest(i))) {
                qCInfo(lcHid, "receiver lost: %s", hid.LastError().c_str());
                break;
            }
            // Byte 0 is the report ID.
            data[static_cast<std::size_t>(i)] = SensorRecord{
                answerByte(hid, 1), answerByte(hid, 2), answerByte(hid, 3), answerByte(hid, 4)};
        }
    }

    if (!hid.DeviceConnected) {
        data.fill(NoDataRecord);
    }
}

QString rawDataText(const SensorRecord& record, bool connected) {
    if (!connected) {
        return QStringLiteral("Raw data: ?? ?? ?? ?? Hex");
    }
    return QStringLiteral("Raw data: %1 %2 %3 %4 Hex")
        .arg(ByteToHex(record.pressure), ByteToHex(record.temperature), ByteToHex(record.battery),
             ByteToHex(record.status));
}

PanelView panelView(const SensorRecord& record, const UnitState& units, bool connected) {
    return PanelView{units.FormatPressure(record.pressure),
                     units.FormatTemperature(record.temperature), batteryClass(record.battery),
                     statusText(record.status), rawDataText(record, connected)};
}

} // namespace sensor
