// SPDX-License-Identifier: MIT
#pragma once

#include "sensor/SensorRecord.h"
#include "sensor/Units.h"

#include <QLoggingCategory>
#include <QString>

class ModHIDCom;

// One acquisition cycle without the window: the cycle fills SensorData, the
// window draws what panelView() says.
namespace sensor {

// "tyrescope.hid": why the receiver is off line. Silent unless enabled, for
// example with QT_LOGGING_RULES="tyrescope.*=true".
Q_DECLARE_LOGGING_CATEGORY(lcHid)

// Connects when the receiver is not connected, then asks for the five
// records in sensor order. The first lost answer ends the requests; when the
// receiver is not connected at the end, every byte of data becomes NoData,
// records read earlier in this cycle included.
void acquireRecords(ModHIDCom& hid, SensorData& data);

// Everything one sensor panel shows.
struct PanelView {
    QString pressure;
    QString temperature;
    BatteryClass battery = BatteryClass::None; // None: no gauge
    QString status;
    QString rawData;

    friend bool operator==(const PanelView&, const PanelView&) = default;
};

// "Raw data: 78 41 50 01 Hex" while connected, FF included as received;
// question marks whenever the receiver is not connected.
QString rawDataText(const SensorRecord& record, bool connected);

PanelView panelView(const SensorRecord& record, const UnitState& units, bool connected);

} // namespace sensor
