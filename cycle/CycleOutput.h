// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleResult.h"
#include "sensor/Units.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <array>

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
// The object of one JSON line, for those who add keys to it.
QJsonObject jsonObject(const CycleResult& cycle, const sensor::UnitState& units);
// That object on one line, ending in a line feed.
QByteArray jsonLine(const CycleResult& cycle, const sensor::UnitState& units);

// Texts to append to the table's cells, per sensor: pressure, temperature,
// battery, status; an empty text appends nothing.
using CellMarks = std::array<std::array<QString, 4>, protocol::SensorCount>;
// A first line on the receiver, then one aligned row per sensor.
QString textTable(const CycleResult& cycle, const sensor::UnitState& units,
                  const CellMarks& marks = {});

} // namespace cycle
