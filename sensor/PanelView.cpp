// SPDX-License-Identifier: MIT
#include "sensor/PanelView.h"

namespace sensor {

QString hexBytes(const SensorRecord& record, bool connected) {
    if (!connected) {
        return QStringLiteral("?? ?? ?? ??");
    }
    return QStringLiteral("%1 %2 %3 %4")
        .arg(ByteToHex(record.pressure), ByteToHex(record.temperature), ByteToHex(record.battery),
             ByteToHex(record.status));
}

QString rawDataText(const SensorRecord& record, bool connected) {
    return QStringLiteral("Raw data: ") + hexBytes(record, connected) + QStringLiteral(" Hex");
}

PanelView panelView(const SensorRecord& record, const UnitState& units, bool connected) {
    return PanelView{units.FormatPressure(record.pressure),
                     units.FormatTemperature(record.temperature), batteryClass(record.battery),
                     statusText(record.status), rawDataText(record, connected)};
}

} // namespace sensor
