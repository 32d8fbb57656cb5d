// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleResult.h"
#include "sensor/Units.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <utility>

// What one acquisition cycle found, written for people at a terminal and for
// scripts: an aligned text table, CSV rows (RFC 4180) and JSON Lines.
namespace cycle {

// Every output format. Code that writes one switches over all of them without
// a default, so that a format added here fails to compile wherever it is not
// written yet.
enum class OutputFormat { Text, Csv, Json };
// Their names on the command line, in the order --help gives them.
inline constexpr std::array<std::pair<OutputFormat, const char*>, 3> OutputFormats{{
    {OutputFormat::Text, "text"},
    {OutputFormat::Csv, "csv"},
    {OutputFormat::Json, "json"},
}};
std::optional<OutputFormat> outputFormatNamed(const QString& name);
// "text, csv or json".
QString outputFormatNames();

// Machine formats take the numbers as the window rounds them, always with '.'
// as the decimal separator; the text table keeps the user's separator, as
// the window does.

// What comes before the first cycle: the CSV header; nothing otherwise.
QByteArray outputHeader(OutputFormat format);
// One cycle in the format; `first` is the run's first cycle (the text tables
// of later ones are set apart by a blank line).
QByteArray outputCycle(OutputFormat format, const CycleResult& cycle,
                       const sensor::UnitState& units, bool first);

// The CSV layouts this program has written, the newest first. A log goes on
// in the layout it began with, so a file never holds two.
struct CsvLayout {
    const char* name; // for messages
    QStringList columns;
};
const CsvLayout& currentCsvLayout();
const std::array<CsvLayout, 2>& csvLayouts();

// One CSV record of these fields, quoted where needed, ending in CRLF.
QByteArray csvLine(const QStringList& fields);
// The CSV header and rows end in CRLF; the header names the columns of every row.
QByteArray csvHeader(const CsvLayout& layout = currentCsvLayout());
QByteArray csvRows(const CycleResult& cycle, const sensor::UnitState& units,
                   const CsvLayout& layout = currentCsvLayout());
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

// A text for JSON, null when there is none.
QJsonValue textOrNull(const QString& text);

} // namespace cycle
