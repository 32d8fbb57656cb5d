// SPDX-License-Identifier: MIT
#pragma once

#include "sensor/SensorRecord.h"
#include "sensor/Units.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// What one acquisition cycle found, written for people at a terminal and for
// scripts: an aligned text table, CSV rows (RFC 4180) and JSON Lines.
namespace sensor {

struct CycleResult {
    QDateTime time; // when the cycle ended, in UTC
    // The receiver answered all five requests: the window's "On line!".
    bool reached = false;
    // The receiver opened for this cycle; empty when none could be opened. A
    // receiver lost during the cycle keeps its path while reached is false.
    QString devicePath;
    SensorData data{};
};

enum class OutputFormat { Text, Csv, Json };

// Machine formats take the window's texts and rounding, always with '.' as
// the decimal separator; the text table keeps the user's separator, as the
// window does.

// The CSV header and rows end in CRLF; the header names the columns of every row.
QByteArray csvHeader();
QByteArray csvRows(const CycleResult& cycle, const UnitState& units);
// One JSON object on one line, ending in a line feed.
QByteArray jsonLine(const CycleResult& cycle, const UnitState& units);
// A first line on the receiver, then one aligned row per sensor.
QString textTable(const CycleResult& cycle, const UnitState& units);

} // namespace sensor
