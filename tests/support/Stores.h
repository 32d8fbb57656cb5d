// SPDX-License-Identifier: MIT
#pragma once

#include "store/Connection.h"
#include "store/Target.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

// The stores a test runs over: SQLite files; and PostgreSQL when ctest runs
// the test inside a cluster of its own made by pg_virtualenv (label server),
// which sets TYRESCOPE_TEST_SERVER and the PG* variables.
inline QString backend() {
    return qEnvironmentVariableIsSet("TYRESCOPE_TEST_SERVER") ? QStringLiteral("postgresql")
                                                              : QStringLiteral("sqlite");
}

inline store::Target postgresql(const QString& database) {
    store::Target target;
    target.kind = store::Target::Kind::Postgresql;
    target.host = qEnvironmentVariable("PGHOST");
    target.port = qEnvironmentVariableIntValue("PGPORT");
    target.user = qEnvironmentVariable("PGUSER");
    target.database = database;
    return target;
}

// Runs statements without values; fails the test on the first that fails.
inline bool execAll(const store::Target& target, const QStringList& statements) {
    store::Connection c(target);
    QString error = c.open();
    for (const QString& sql : statements) {
        if (!error.isEmpty() || !c.exec(sql, error)) {
            qWarning("%s: %s", qPrintable(sql.left(60)), qPrintable(error));
            return false;
        }
    }
    return true;
}

// A new, empty store: a file in dir, or a database of the cluster.
inline store::Target freshStore(const QTemporaryDir& dir) {
    static int made = 0;
    ++made;
    if (backend() == QLatin1String("sqlite")) {
        store::Target target;
        target.path = dir.filePath(QStringLiteral("store-%1.sqlite").arg(made));
        return target;
    }
    const QString name = QStringLiteral("store_%1").arg(made);
    execAll(postgresql(QStringLiteral("postgres")), {QStringLiteral("CREATE DATABASE ") + name});
    return postgresql(name);
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
