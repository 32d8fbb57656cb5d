// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleOutput.h"
#include "store/Target.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

// What the program asks of a results store, and the answers. Qt Core only:
// the store itself lives in a module of its own (tyrescope-store.so on Linux),
// the one part of the program that loads Qt SQL, so that the window and a
// run without --results never load it.
namespace store {

// One run as --history lists it; empty texts stand for none.
struct RunSummary {
    QString runId;
    QString start; // UTC, ISO 8601 with milliseconds and Z
    QString station;
    QString serial;
    QString outcome;
    QString cause;
};

// Which runs --history and --report ask for; an empty text asks for any.
struct HistoryQuery {
    QString serial;
    QString station;
    QString since; // UTC, as RunSummary::start
    QString runId;
};

// What became of a run's record: stored, kept in the spool (message says
// why, in one line) or neither (message gives both reasons).
struct Delivery {
    enum class Result { Stored, Spooled, Lost };
    Result result = Result::Stored;
    QString message;
    int delivered = 0; // records the spool held for the store, delivered with it
};

// What --sync-results delivered from the spool; left: what it still holds;
// error: why not all went; spoolPath: the spool's file, for the user.
struct Sync {
    int delivered = 0;
    int left = 0;
    QString error;
    QString spoolPath;
};

// The store's entry points, as the module hands them out. Each opens what it
// needs and closes it again; the spool is the user's (Spool::defaultPath()).
struct Calls {
    // The record to the store at target, else to the spool.
    Delivery (*deliver)(const Target& target, const QByteArray& record);
    // What the spool holds for the store at target, delivered.
    Sync (*sync)(const Target& target);
    // --history's output of the runs query asks for; empty, else why not.
    QString (*history)(const Target& target, const HistoryQuery& query, cycle::OutputFormat format,
                       QByteArray& output);
    // The records of the runs query asks for, oldest first; empty, else why not.
    QString (*records)(const Target& target, const HistoryQuery& query, QList<QByteArray>& records);
};

} // namespace store

// The module's one exported symbol.
extern "C" const store::Calls* tyrescope_store();
