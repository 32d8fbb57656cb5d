// SPDX-License-Identifier: MIT
#pragma once

#include "store/Connection.h"
#include "store/Target.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

// The stores a test runs over: SQLite files; and PostgreSQL when ctest runs
// the test inside a cluster of its own made by pg_virtualenv (label server),
// which sets TYRESCOPE_TEST_SERVER and the PG* variables.
inline QString backend() {
    return qEnvironmentVariableIsSet("TYRESCOPE_TEST_SERVER") ? QStringLiteral("postgresql")
                                                              : QStringLiteral("sqlite");
}

inline store::Target postgresql(const QString& database) {
    QString unused;
    return *store::parseTarget(QStringLiteral("postgresql://%1@%2:%3/%4")
                                   .arg(qEnvironmentVariable("PGUSER"),
                                        qEnvironmentVariable("PGHOST"),
                                        qEnvironmentVariable("PGPORT"), database),
                               unused);
}

// Runs statements without values; false on the first that fails.
inline bool execAll(const store::Target& target, const QStringList& statements) {
    store::Connection c(target);
    QString error = c.open();
    return error.isEmpty() && std::all_of(statements.begin(), statements.end(),
                                          [&](const QString& sql) { return c.exec(sql, error); });
}

// A new, empty store: a file in dir, or a database of the cluster.
inline store::Target freshStore(const QTemporaryDir& dir) {
    static int made = 0;
    const QString name = QStringLiteral("store_%1").arg(++made);
    store::Target file;
    file.path = dir.filePath(name);
    return backend() == QLatin1String("sqlite") ||
                   !execAll(postgresql(QStringLiteral("postgres")), {"CREATE DATABASE " + name})
               ? file
               : postgresql(name);
}

// The first value of a query without values, -1 when it fails.
inline int valueOf(const store::Target& target, const QString& sql) {
    store::Connection c(target);
    QSqlQuery query;
    QString error = c.open();
    return error.isEmpty() && c.exec(query, sql, {}, error) && query.next() ? query.value(0).toInt()
                                                                            : -1;
}

// Stops or starts the cluster of pg_virtualenv.
inline bool cluster(const QString& action) {
    return QProcess::execute(
               QStringLiteral("pg_ctlcluster"),
               {qEnvironmentVariable("PGVERSION"), QStringLiteral("regress"), action}) == 0;
}
