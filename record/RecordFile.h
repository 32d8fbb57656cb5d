// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// Files a run's record goes to, and the texts a record takes from the command line.
namespace record {

// Empty when a file can be written whole at path now; else why not. Asked
// before the run, so that its record is not lost at the end.
QString checkWritable(const QString& path);

// Writes bytes to a temporary file beside path and renames it: path holds
// either its old content or all of bytes. Empty on success; else why not.
QString writeWhole(const QString& path, const QByteArray& bytes);

// The longest text --station, --operator and --dut take, in bytes of UTF-8.
inline constexpr qsizetype MaxFieldBytes = 200;
// Empty when the text may stand in a record; else why not: empty, longer
// than MaxFieldBytes, or holding a control or invisible character.
QString checkTextField(const QString& text);

} // namespace record
