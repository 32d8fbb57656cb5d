// SPDX-License-Identifier: MIT
#pragma once

#include "store/Calls.h"
#include "store/Connection.h"
#include "store/Target.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

// The run records of a bench or a line in one database: SQLite, or
// PostgreSQL that many stations share, in a schema of this program's
// (docs/store.md): runs, their cycles and measurements, and each record
// whole beside them.
namespace store {

class ResultStore {
public:
    // The schema this program writes. 1 kept the runs alone; 2 added their
    // cycles and measurements.
    static constexpr int SchemaVersion = 2;

    explicit ResultStore(const Target& target) : target_(target), connection_(target) {}

    // Write: a store that is not there yet is made. Read: it must be there.
    enum class Access { Write, Read };
    // Connects; makes the schema in an empty store, brings an older one up to
    // SchemaVersion in one transaction, and refuses a newer one or tables
    // that are not this program's. Empty once ready; else why not.
    QString open(Access access = Access::Write);

    // Stores tyrescope-record/1 documents (docs/record.md) in one
    // transaction, so a reader sees each run whole or not at all. A run
    // already there is left as it is: storing is idempotent by run id.
    // stored: the runs that were new. Empty on success; else why not, and
    // nothing was stored.
    QString put(const QList<QByteArray>& records, int* stored = nullptr);

    // Runs, newest first.
    QString history(const HistoryQuery& query, std::vector<RunSummary>& runs);
    // The runs' records, whole, oldest first.
    QString records(const HistoryQuery& query, QList<QByteArray>& records);

private:
    // The version of the schema there, 0 for an empty store; refuses tables
    // of someone else's.
    QString readVersion(int& version);
    // The tables there and their columns, into tables_.
    QString readTables();
    // Every table of this version there with its columns.
    QString checkTables(int version) const;
    QString upgrade(int from);

    Target target_;
    Connection connection_;
    QHash<QString, QStringList> tables_; // names in lower case
};

} // namespace store
