// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>

// Where run records are stored: --results' value.
namespace store {

struct Target {
    enum class Kind { Sqlite, Postgresql };
    Kind kind = Kind::Sqlite;
    QString path; // SQLite: the file, absolute
    // PostgreSQL; empty or -1 where libpq's defaults (PGHOST, PGUSER, PGPORT) apply.
    QString user;
    QString host;
    int port = -1;
    QString database;

    // The file, or the address: what messages name and what the spool keys
    // records by. It never holds a password, since an address with one is refused.
    QString name() const;
};

// A file path (SQLite), or postgresql://user@host:port/dbname (also
// postgres://). Nothing for any other scheme, an address it cannot read, or
// one that holds a password, with why in error; error never repeats the
// address, lest a password in it be shown.
std::optional<Target> parseTarget(const QString& text, QString& error);

} // namespace store
