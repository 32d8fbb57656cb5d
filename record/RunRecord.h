// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleResult.h"
#include "sensor/Units.h"
#include "verdict/Judge.h"
#include "verdict/Limits.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// One record per run of --read: which receiver was tested where, by whom,
// against which limits, every cycle's values with their verdicts, and what
// failed first. Written as the JSON document "tyrescope-record/1"
// (docs/record.md) and as JUnit XML for CI servers.
namespace record {

// What the command line knows before the run.
struct RunFacts {
    QString version;      // the program's
    QString station;      // --station, or defaultStation()
    QString operatorName; // --operator; empty: not given
    QString dutLabel;     // --dut; empty: not given
    sensor::UnitState units;
    std::optional<verdict::LimitsFile> limits;
};

// The host name.
QString defaultStation();

// How a run ended: all its cycles done, or cut short by output that could not
// be written, or by SIGINT or SIGTERM.
enum class RunEnd { Completed, OutputFailed, Aborted };

class RunRecord {
public:
    explicit RunRecord(RunFacts facts, QDateTime start = QDateTime::currentDateTimeUtc());

    // Each cycle as the run goes, with its verdict (verdict::judge).
    void addCycle(const cycle::CycleResult& cycle, const verdict::CycleVerdict& verdict);
    // why: for a run cut short, in one line ("ended by SIGTERM").
    void finish(int exitStatus, RunEnd end, const QString& why = {},
                QDateTime at = QDateTime::currentDateTimeUtc());

    const QString& runId() const { return runId_; }
    // "pass", "fail", "error" or "aborted".
    QString outcome() const;

    // After finish().
    QByteArray json() const;
    QByteArray junitXml() const;

private:
    struct Cycle {
        cycle::CycleResult result;
        verdict::CycleVerdict verdict;
    };
    // The cycle whose verdict came first not to pass; nothing when all passed.
    const Cycle* firstFailing() const;
    // Of the first cycle that opened a receiver.
    const cycle::CycleResult* receiver() const;

    RunFacts facts_;
    QString runId_;
    QDateTime start_;
    QDateTime end_;
    std::vector<Cycle> cycles_;
    int exitStatus_ = 0;
    RunEnd how_ = RunEnd::Completed;
    QString why_;
};

} // namespace record
