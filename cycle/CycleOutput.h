// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleResult.h"
#include "sensor/Units.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// What one acquisition cycle found, written for people at a terminal and for
// scripts: an aligned text table, CSV rows (RFC 4180) and JSON Lines.
namespace cycle {

enum class OutputFormat { Text, Csv, Json };

// Machine formats take the numbers as the window rounds them, always with '.'
// as the decimal separator; the text table keeps the user's separator, as
// the window does.

// One CSV record of these fields, quoted where needed, ending in CRLF.
QByteArray csvLine(const QStringList& fields);
// The CSV header and rows end in CRLF; the header names the columns of every row.
QByteArray csvHeader();
QByteArray csvRows(const CycleResult& cycle, const sensor::UnitState& units);
// One JSON object on one line, ending in a line feed.
QByteArray jsonLine(const CycleResult& cycle, const sensor::UnitState& units);
// A first line on the receiver, then one aligned row per sensor.
QString textTable(const CycleResult& cycle, const sensor::UnitState& units);

} // namespace cycle
