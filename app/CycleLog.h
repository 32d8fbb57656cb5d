// SPDX-License-Identifier: MIT
#pragma once

#include "app/LogFile.h"
#include "cycle/CycleOutput.h"

#include <QString>
#include <cstdint>

// --log FILE: every acquisition cycle appended as the CSV rows of --format
// csv. What the file holds is never truncated or rewritten; the header goes
// only into a file that is new or empty, and a last line left unfinished
// gets its line end before the first row. A file is opened afresh for each
// cycle, so rows follow a log that was rotated, renamed or deleted; each
// cycle's rows reach the disk before the next cycle, so a crash loses at most
// the cycle being written. Copies that log to one file take turns: each holds
// a lock on it from looking at its end until its rows are on the disk. A
// file goes on in the layout it began with, and one of another layout is
// refused, whenever it appears at the path. A pipe or device stays open: it
// is one stream.
class CycleLog {
public:
    CycleLog() = default;
    CycleLog(const CycleLog&) = delete;
    CycleLog& operator=(const CycleLog&) = delete;

    enum class Opened {
        Yes,
        CannotOpen,  // the path cannot be appended to
        OtherLayout, // it holds rows of another layout than this program writes
    };
    // Checks that path can be appended to and holds rows of a layout this
    // program writes; errorString() says why not. A FIFO without a reader is
    // refused at once instead of waited for.
    Opened open(const QString& path);
    QString errorString() const { return error_; }
    // One line for the user about the file opened, such as an earlier
    // layout that lacks a column; empty when there is nothing to say.
    QString notice() const { return notice_; }
    QString path() const { return path_; }
    bool isLogging() const { return logging_; }

    // False when the rows could not be written, with errorString() the
    // system's reason, or when the file at the path now holds another
    // layout; a row cut short is taken back and logging ends.
    bool append(const cycle::CycleResult& cycle, const sensor::UnitState& units);

private:
    // The file at the path, opened for appending and locked; not open, with
    // error_ set or the path now a stream, when that cannot be.
    LogFile openChecked();
    // The layout of the regular file, from its first line; nullptr with
    // error_ set when it is none of ours.
    const cycle::CsvLayout* layoutOf(LogFile& file);
    bool fail(const QString& error);

    QString path_;
    QString error_;
    QString notice_;
    bool logging_ = false;
    LogFile stream_; // a pipe or device, open for the whole run
    bool streamHeaderDue_ = false;
    // The layout of the file last written, and which file that was: a file
    // that is another, or shorter than left, is looked at afresh.
    const cycle::CsvLayout* layout_ = &cycle::currentCsvLayout();
    LogFile::Identity identity_;
    std::int64_t writtenSize_ = -1; // -1: no file looked at yet
};
