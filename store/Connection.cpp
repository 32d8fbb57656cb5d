// SPDX-License-Identifier: MIT
#include "store/Connection.h"

#include <QAtomicInt>
#include <QSqlError>
#include <utility>

namespace store {

namespace {

QString errorOf(const QSqlError& error) {
    return oneLine(error.databaseText().isEmpty() ? error.driverText() : error.databaseText());
}

} // namespace

QString oneLine(const QString& text) {
    // libpq adds hints and further addresses tried on lines of their own.
    return text.trimmed().section(QLatin1Char('\n'), 0, 0).simplified();
}

Connection::Connection(const Target& target)
    : postgresql_(target.kind == Target::Kind::Postgresql) {
    static QAtomicInt made;
    name_ = QStringLiteral("tyrescope-store-%1").arg(made.fetchAndAddRelaxed(1));
    const QString driver = postgresql_ ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    // Asked first: Qt warns on standard error about a driver it cannot load.
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        missingDriver_ =
            QStringLiteral("Qt's %1 driver is not installed (Debian: %2)")
                .arg(postgresql_ ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite"),
                     postgresql_ ? QStringLiteral("libqt6sql6-psql")
                                 : QStringLiteral("libqt6sql6-sqlite"));
        return;
    }
    db_ = QSqlDatabase::addDatabase(driver, name_);
    if (!postgresql_) {
        db_.setDatabaseName(target.path);
        // Copies on one bench take turns; a write waits for another's to end.
        db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
        return;
    }
    // No password is ever set: libpq takes it from PGPASSWORD or ~/.pgpass.
    db_.setHostName(target.host);
    db_.setPort(target.port);
    db_.setUserName(target.user);
    db_.setDatabaseName(target.database);
    // A server that does not answer leaves the run to the spool rather than
    // holding it; the server's notices ("already exists, skipping") stay
    // off standard error.
    db_.setConnectOptions(
        QStringLiteral("connect_timeout=10;application_name=tyrescope;"
                       "options='-c client_min_messages=warning -c statement_timeout=60s'"));
}

Connection::~Connection() {
    if (db_.isValid()) {
        db_.close();
    }
    letGo();
}

void Connection::letGo() {
    if (db_.isValid()) {
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
}

QString Connection::open() {
    if (!missingDriver_.isEmpty()) {
        return missingDriver_;
    }
    if (db_.isOpen() || db_.open()) {
        return {};
    }
    return errorOf(db_.lastError());
}

bool Connection::prepare(QSqlQuery& query, const QString& sql, QString& error) {
    if (lost(error)) {
        return false;
    }
    query = QSqlQuery(db_);
    return query.prepare(sql) || failed(query.lastError(), error);
}

bool Connection::failed(const QSqlError& why, QString& error) {
    error = errorOf(why);
    if (postgresql_ && !db_.isOpen()) {
        // The server has gone. The driver goes now, before the statements
        // prepared on it: each would try to free itself there, with a warning.
        inTransaction_ = false;
        letGo();
    } else if (inTransaction_) {
        // Ended at once: PostgreSQL refuses all else in a failed transaction,
        // even letting go of the statements prepared in it.
        rollback();
    }
    return false;
}

bool Connection::lost(QString& error) const {
    if (db_.isValid()) {
        return false;
    }
    error = QStringLiteral("the connection to the server was lost");
    return true;
}

bool Connection::run(QSqlQuery& query, const QVariantList& values, QString& error) {
    if (lost(error)) {
        return false;
    }
    for (qsizetype i = 0; i < values.size(); ++i) {
        query.bindValue(static_cast<int>(i), values[i]);
    }
    return query.exec() || failed(query.lastError(), error);
}

bool Connection::exec(QSqlQuery& query, const QString& sql, const QVariantList& values,
                      QString& error) {
    return prepare(query, sql, error) && run(query, values, error);
}

bool Connection::exec(const QString& sql, QString& error) {
    // Not prepared: PostgreSQL prepares no transaction control and no DDL, and
    // a statement without values has nothing to bind.
    if (lost(error)) {
        return false;
    }
    QSqlQuery query(db_);
    return query.exec(sql) || failed(query.lastError(), error);
}

bool Connection::begin(QString& error) {
    inTransaction_ =
        exec(postgresql_ ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"), error);
    return inTransaction_;
}

bool Connection::beginRead(QString& error) {
    inTransaction_ =
        exec(postgresql_ ? QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")
                         : QStringLiteral("BEGIN"),
             error);
    return inTransaction_;
}

bool Connection::commit(QString& error) {
    if (!exec(QStringLiteral("COMMIT"), error)) {
        return false;
    }
    inTransaction_ = false;
    return true;
}

void Connection::rollback() {
    // A connection the server dropped has nothing to roll back.
    if (std::exchange(inTransaction_, false) && db_.isOpen()) {
        QString ignored;
        exec(QStringLiteral("ROLLBACK"), ignored);
    }
}

} // namespace store
