// SPDX-License-Identifier: MIT
#pragma once

#include "store/Calls.h"
#include "store/Connection.h"
#include "store/Target.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

namespace store {

// Records not yet delivered to their store, kept by the store's name in a
// SQLite file of the user's that every copy shares, until the store can
// take them.
class Spool {
public:
    // $XDG_STATE_HOME/tyrescope/results-spool.sqlite, by default under ~/.local/state.
    static QString defaultPath();
    explicit Spool(QString path = defaultPath()) : path_(std::move(path)) {}

    const QString& path() const { return path_; }

    // Each returns empty on success, else why not. A record kept twice is kept once.
    QString keep(const QString& store, const QString& runId, const QByteArray& record);
    // Oldest first.
    QString records(const QString& store, std::vector<std::pair<QString, QByteArray>>& records);
    QString remove(const QString& store, const QString& runId);
    QString count(const QString& store, int& count);

private:
    QString open();

    QString path_;
    std::unique_ptr<Connection> connection_;
};

// The record to the store at target; then what the spool held for that
// store, now that it answers. When the store cannot take the record, the
// spool keeps it.
Delivery deliver(const Target& target, const QByteArray& record, Spool& spool);

// --sync-results: what the spool holds for the store at target, delivered.
Sync sync(const Target& target, Spool& spool);

} // namespace store
