// SPDX-License-Identifier: MIT
#include "cycle/Acquisition.h"

#include "cycle/TerminalText.h"
#include "hid/HidLog.h"
#include "hid/ModHIDCom.h"

namespace cycle {

namespace {

// An answer that stops short reads as "no data" from where it ends, so a
// record never takes bytes that did not arrive.
std::uint8_t answerByte(const ModHIDCom& hid, std::size_t index) {
    const std::vector<std::uint8_t>& answer = hid.InputBuffer();
    return index < answer.size() ? answer[index] : protocol::NoData;
}

} // namespace

bool ensureConnected(ModHIDCom& hid) {
    if (!hid.ensureOpen()) {
        qCInfo(hid::lcHid, "receiver not found: %s", hid.LastError().c_str());
        return false;
    }
    return true;
}

CycleResult acquire(ModHIDCom& hid) {
    CycleResult result;
    result.opened = ensureConnected(hid);
    if (result.opened) {
        for (int i = 0; i < protocol::SensorCount; ++i) {
            if (!hid.Request(protocol::recordRequest(i))) {
                qCInfo(hid::lcHid, "receiver lost: %s", hid.LastError().c_str());
                break;
            }
            // Byte 0 is the report ID.
            result.data[static_cast<std::size_t>(i)] = sensor::SensorRecord{
                answerByte(hid, 1), answerByte(hid, 2), answerByte(hid, 3), answerByte(hid, 4)};
        }
        result.devicePath = QString::fromStdString(printableText(hid.DevicePath()));
        result.deviceSerial = QString::fromStdString(printableText(hid.DeviceSerial()));
    }
    result.reached = hid.DeviceConnected();
    if (!result.reached) {
        result.data.fill(sensor::SensorRecord::of(protocol::NoDataRecord));
    }
    result.time = QDateTime::currentDateTimeUtc();
    return result;
}

} // namespace cycle
