// SPDX-License-Identifier: MIT
#pragma once

#include "report/Run.h"

#include <QByteArray>
#include <QString>
#include <vector>

// The runs of a CSV log, in any layout this program has written
// (cycle::csvLayouts()). A log says nothing of runs, limits or stations: its
// cycles are told apart by receiver, one run each, in the order the log first
// names them; a cycle that found no receiver counts to the one logged before it
// (or, at the log's start, the first one logged). Such a run passed when every
// cycle reached its receiver, and is an error otherwise.
namespace report {

struct LogRuns {
    std::vector<Run> runs; // none, without an error, for a log without cycles
    QString error;         // one line: why the log cannot be read
    // Rows cut short, which are left out: a writer's crash leaves one, and a
    // log being written may end in one. One line, empty when there are none.
    QString notice;
};

// The log's bytes; `name` names it in errors.
LogRuns runsFromLog(const QByteArray& bytes, const QString& name);
// The same of a file.
LogRuns readLog(const QString& path);

} // namespace report
