// SPDX-License-Identifier: MIT
#pragma once

#include "store/Target.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

namespace store {

// One connection of Qt SQL under a name of its own, closed and let go when it
// ends; a connection belongs to the thread that made it. Every statement goes
// through exec(), prepared with its values bound, so that no value is ever
// read as SQL.
class Connection {
public:
    explicit Connection(const Target& target);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Empty once open; else why not, in one line.
    QString open();
    bool postgresql() const { return postgresql_; }
    QSqlDatabase& database() { return db_; }

    // Prepares sql once, to be run with values as often as wanted.
    bool prepare(QSqlQuery& query, const QString& sql, QString& error);
    // Binds values in order and runs the prepared query; false with why in error.
    bool run(QSqlQuery& query, const QVariantList& values, QString& error);
    // Both at once.
    bool exec(QSqlQuery& query, const QString& sql, const QVariantList& values, QString& error);
    // A statement without values: transaction control and the schema's.
    bool exec(const QString& sql, QString& error);

    // A transaction that writes: SQLite takes its write lock at once, so that
    // two writers never both read first and then wait on each other.
    bool begin(QString& error);
    // A transaction that reads: every statement in it sees the same state.
    bool beginRead(QString& error);
    bool commit(QString& error);
    // Also after a statement of the transaction failed, which ends it at once.
    void rollback();

private:
    // Why the statement failed into error; false.
    bool failed(const QSqlError& why, QString& error);
    // The connection let go of after the server went; then why, in error.
    bool lost(QString& error) const;
    void letGo();

    QString name_;
    bool postgresql_ = false;
    QString missingDriver_;
    QSqlDatabase db_;
    bool inTransaction_ = false;
};

// A driver's or server's error in one line.
QString oneLine(const QString& text);

} // namespace store
