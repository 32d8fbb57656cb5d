// SPDX-License-Identifier: MIT
#pragma once

#include "sensor/SensorRecord.h"
#include "verdict/Limits.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

// What a report is made of: runs, each a receiver's cycles with what the run
// found, read from a run's record (docs/record.md) or from the rows of a log.
// Values are kept as the receiver's bytes, so that a report shows them in its
// own units, converted and rounded as the program prints them.
namespace report {

struct Cycle {
    qint64 time = 0; // when it ended, in milliseconds since the epoch (UTC)
    bool reached = false;
    sensor::SensorData data{}; // no data unless reached
};

struct Run {
    QString runId;        // empty for a log's
    QString station;      // empty when not known, as in a log
    QString operatorName; // empty when not given
    QString serial;       // the receiver's; empty when it has none or none was opened
    QString label;        // --dut
    QString device;       // the receiver's path
    qint64 start = 0;     // milliseconds since the epoch
    qint64 end = 0;
    QString outcome; // "pass", "fail", "error" or "aborted"
    QString cause;   // what failed first, as the run said it; empty for a run that passed
    // The same without the value, so that alike failures count together:
    // "sensor 1 pressure below min 30 PSI", "receiver not found".
    QString causeKind;
    std::optional<verdict::Limits> limits;
    std::vector<Cycle> cycles;
};

struct ReadRun {
    std::optional<Run> run;
    QString error; // why the text holds no run
};
// A record "tyrescope-record/1".
ReadRun runFromRecord(const QByteArray& json);

// A sensor's four bytes written in hexadecimal, "78 41 50 01" or "78415001";
// nothing for any other text.
std::optional<sensor::SensorRecord> recordFromHex(QByteArrayView hex);

} // namespace report
