// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleOutput.h"

#include <QString>

// --log FILE: every acquisition cycle appended as the CSV rows of --format
// csv. What the file holds is never truncated or rewritten; the header goes
// only into a file that is new or empty, and a last line left unfinished
// gets its line end before the first row. A file is opened afresh for each
// cycle, so rows follow a log that was rotated, renamed or deleted; each
// cycle's rows reach the disk before the next cycle, so a crash loses at most
// the cycle being written. A pipe or device stays open: it is one stream.
class CycleLog {
public:
    CycleLog() = default;
    ~CycleLog();
    CycleLog(const CycleLog&) = delete;
    CycleLog& operator=(const CycleLog&) = delete;

    // Checks that path can be appended to and holds this version's rows;
    // false with errorString() when not. A FIFO without a reader is refused
    // at once instead of waited for.
    bool open(const QString& path);
    QString errorString() const { return error_; }
    QString path() const { return path_; }
    bool isLogging() const { return logging_; }

    // False when the rows could not be written, with errorString() the
    // system's reason; a row cut short is taken back and logging ends.
    bool append(const cycle::CycleResult& cycle, const sensor::UnitState& units);

private:
    // The path opened for appending with access (O_WRONLY or O_RDWR), or -1
    // with error_ set.
    int openPath(int access);
    bool fail(int error);

    QString path_;
    QString error_;
    bool logging_ = false;
    int stream_ = -1; // a pipe or device, open for the whole run
    bool streamHeaderDue_ = false;
};
