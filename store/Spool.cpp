// SPDX-License-Identifier: MIT
#include "store/Spool.h"

#include "store/ResultStore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace store {

namespace {

QString runIdOf(const QByteArray& record) {
    return QJsonDocument::fromJson(record)[QLatin1String("run_id")].toString();
}

// What the spool holds for the store, delivered to it now that it is open;
// each run in a transaction of its own, so that one the store refuses keeps
// no other from it.
Sync deliverSpooled(ResultStore& store, const QString& name, Spool& spool) {
    Sync sync;
    std::vector<std::pair<QString, QByteArray>> records;
    if (sync.error = spool.records(name, records); !sync.error.isEmpty()) {
        sync.error = QStringLiteral("the spool %1: %2").arg(spool.path(), sync.error);
        return sync;
    }
    for (const auto& [runId, record] : records) {
        // Taken out of the spool only once stored: a record in both is
        // stored once, since storing is idempotent.
        QString error = store.put({record});
        if (error.isEmpty()) {
            error = spool.remove(name, runId);
        }
        if (error.isEmpty()) {
            ++sync.delivered;
        } else if (sync.error.isEmpty()) {
            sync.error = QStringLiteral("the results store %1 did not take run %2: %3")
                             .arg(name, runId, error);
        }
    }
    sync.left = static_cast<int>(records.size()) - sync.delivered;
    return sync;
}

} // namespace

QString Spool::defaultPath() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // XDG says a relative one is to be ignored, as every desktop program does.
    if (!QDir::isAbsolutePath(state)) {
        state = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return QDir::cleanPath(state + QStringLiteral("/tyrescope/results-spool.sqlite"));
}

QString Spool::open() {
    if (connection_) {
        return {};
    }
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QFileInfo::exists(folder)) {
        // Records name operators and stations: the user's alone.
        if (!QDir().mkpath(folder)) {
            return QStringLiteral("cannot make the folder %1").arg(folder);
        }
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    Target file;
    file.path = path_;
    auto connection = std::make_unique<Connection>(file);
    QString error = connection->open();
    if (error.isEmpty()) {
        connection->exec(QStringLiteral("CREATE TABLE IF NOT EXISTS spool (store TEXT NOT NULL, "
                                        "run_id TEXT NOT NULL, record TEXT NOT NULL, "
                                        "spooled TEXT NOT NULL, PRIMARY KEY (store, run_id))"),
                         error);
    }
    if (error.isEmpty()) {
        connection_ = std::move(connection);
    }
    return error;
}

QString Spool::keep(const QString& store, const QString& runId, const QByteArray& record) {
    QString error = open();
    QSqlQuery query;
    if (error.isEmpty()) {
        connection_->exec(query,
                          QStringLiteral("INSERT INTO spool (store, run_id, record, spooled) "
                                         "VALUES (?, ?, ?, ?) ON CONFLICT DO NOTHING"),
                          {store, runId, QString::fromUtf8(record),
                           QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
                          error);
    }
    return error;
}

QString Spool::records(const QString& store, std::vector<std::pair<QString, QByteArray>>& records) {
    // A spool never needed is never made: every run looks.
    if (!connection_ && !QFileInfo::exists(path_)) {
        return {};
    }
    QString error = open();
    QSqlQuery query;
    if (error.isEmpty() &&
        connection_->exec(query,
                          QStringLiteral("SELECT run_id, record FROM spool WHERE store = ? "
                                         "ORDER BY spooled, run_id"),
                          {store}, error)) {
        while (query.next()) {
            records.emplace_back(query.value(0).toString(), query.value(1).toString().toUtf8());
        }
    }
    return error;
}

QString Spool::remove(const QString& store, const QString& runId) {
    QString error = open();
    QSqlQuery query;
    if (error.isEmpty()) {
        connection_->exec(query, QStringLiteral("DELETE FROM spool WHERE store = ? AND run_id = ?"),
                          {store, runId}, error);
    }
    return error;
}

QString Spool::count(const QString& store, int& count) {
    QString error = open();
    QSqlQuery query;
    if (error.isEmpty() &&
        connection_->exec(query, QStringLiteral("SELECT count(*) FROM spool WHERE store = ?"),
                          {store}, error) &&
        query.next()) {
        count = query.value(0).toInt();
    }
    return error;
}

Delivery deliver(const Target& target, const QByteArray& record, Spool& spool) {
    ResultStore store(target);
    QString why = store.open();
    if (why.isEmpty()) {
        why = store.put({record});
    }
    const QString runId = runIdOf(record);
    Delivery delivery;
    if (why.isEmpty()) {
        const Sync spooled = deliverSpooled(store, target.name(), spool);
        delivery.delivered = spooled.delivered;
        if (!spooled.error.isEmpty()) {
            delivery.message = QStringLiteral("run %1 was stored, but %2 spooled records were "
                                              "left: %3")
                                   .arg(runId)
                                   .arg(spooled.left)
                                   .arg(spooled.error);
        }
        return delivery;
    }
    if (const QString spoolWhy = spool.keep(target.name(), runId, record); !spoolWhy.isEmpty()) {
        delivery.result = Delivery::Result::Lost;
        delivery.message = QStringLiteral("the record of run %1 could not be kept: the results "
                                          "store %2: %3; the spool %4: %5")
                               .arg(runId, target.name(), why, spool.path(), spoolWhy);
        return delivery;
    }
    delivery.result = Delivery::Result::Spooled;
    delivery.message = QStringLiteral("the results store %1 did not take run %2 (%3); it is kept "
                                      "in the spool %4 until the next run to that store or "
                                      "--sync-results")
                           .arg(target.name(), runId, why, spool.path());
    return delivery;
}

Sync sync(const Target& target, Spool& spool) {
    ResultStore store(target);
    Sync sync;
    if (const QString why = store.open(); !why.isEmpty()) {
        sync.error = QStringLiteral("the results store %1: %2").arg(target.name(), why);
        if (const QString spoolWhy = spool.count(target.name(), sync.left); !spoolWhy.isEmpty()) {
            sync.error += QStringLiteral("; the spool %1: %2").arg(spool.path(), spoolWhy);
        }
    } else {
        sync = deliverSpooled(store, target.name(), spool);
    }
    sync.spoolPath = spool.path();
    return sync;
}

} // namespace store
