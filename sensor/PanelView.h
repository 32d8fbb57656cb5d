// SPDX-License-Identifier: MIT
#pragma once

#include "sensor/SensorRecord.h"
#include "sensor/Units.h"

#include <QString>

// What one sensor panel shows, as texts, apart from any widget.
namespace sensor {

struct PanelView {
    QString pressure;
    QString temperature;
    BatteryClass battery = BatteryClass::None; // None: no gauge
    QString status;
    QString rawData;

    friend bool operator==(const PanelView&, const PanelView&) = default;
};

// "78 41 50 01" while connected, FF included as received; question marks
// whenever the receiver is not connected.
QString hexBytes(const SensorRecord& record, bool connected);
// "Raw data: 78 41 50 01 Hex", framed as the panel shows it.
QString rawDataText(const SensorRecord& record, bool connected);

PanelView panelView(const SensorRecord& record, const UnitState& units, bool connected);

} // namespace sensor
