// SPDX-License-Identifier: MIT
#pragma once

#include "sensor/SensorRecord.h"

#include <QDateTime>
#include <QString>

namespace cycle {

// What one acquisition cycle found: the window shows it, --read prints and
// judges it, the log appends it.
struct CycleResult {
    QDateTime time; // when the cycle ended, in UTC
    // The receiver was connected, or opened, for this cycle.
    bool opened = false;
    // The receiver answered all five requests: the window's "On line!".
    bool reached = false;
    // Where the receiver opened for this cycle is, made safe for a terminal;
    // empty when none could be opened. A receiver lost during the cycle keeps
    // its path while reached is false.
    QString devicePath;
    // That receiver's serial number, made safe likewise; empty when it has
    // none or none was opened. A path may name another receiver next week.
    QString deviceSerial;
    // The five records; all no data unless reached.
    sensor::SensorData data{};
};

} // namespace cycle
