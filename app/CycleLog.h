// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleOutput.h"

#include <QFile>
#include <QString>
#include <iosfwd>

// --log FILE: every acquisition cycle appended as the CSV rows of --format
// csv. What the file holds is never truncated or rewritten; the header goes
// only into a file that is new or empty. Each cycle's rows reach the disk
// before the next cycle, so a crash loses at most the cycle being written.
class CycleLog {
public:
    // Warnings about later write failures go to warnings.
    explicit CycleLog(std::ostream& warnings);

    // Opens path for appending; false with errorString() when it cannot be.
    bool open(const QString& path);
    QString errorString() const { return error_; }
    bool isLogging() const { return file_.isOpen(); }

    // The first write that fails gives one warning and ends logging; the
    // caller goes on as if nothing happened.
    void append(const cycle::CycleResult& cycle, const sensor::UnitState& units);

private:
    std::ostream& warnings_;
    QFile file_;
    QString error_;
    bool headerDue_ = false;
    bool regularFile_ = false;
};
