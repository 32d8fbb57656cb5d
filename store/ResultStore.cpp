// SPDX-License-Identifier: MIT
#include "store/ResultStore.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstring>
#include <optional>

namespace store {

namespace {

// The schema: every table with the version that made it. A column's name is
// the first word of its definition. Types are written so that SQLite and
// PostgreSQL read them alike (SQLite takes DOUBLE PRECISION as REAL); times
// are ISO 8601 texts in UTC, which sort as the times do.
struct Table {
    const char* name;
    int since;
    QList<const char*> columns;
    const char* constraints;
};

bool isRequired(const char* column) {
    return std::strstr(column, "NOT NULL") != nullptr ||
           std::strstr(column, "PRIMARY KEY") != nullptr;
}

const std::vector<Table>& tables() {
    static const std::vector<Table> all{
        {"schema_version", 1, {"version INTEGER NOT NULL"}, nullptr},
        {"runs",
         1,
         {"run_id TEXT PRIMARY KEY", "started TEXT NOT NULL", "ended TEXT NOT NULL",
          "station TEXT NOT NULL", "operator_name TEXT", "dut_label TEXT", "serial TEXT",
          "device_path TEXT", "outcome TEXT NOT NULL", "exit_status INTEGER NOT NULL", "cause TEXT",
          "tool_version TEXT NOT NULL", "limits_name TEXT", "limits_sha256 TEXT",
          "record TEXT NOT NULL"},
         nullptr},
        {"cycles",
         2,
         {"run_id TEXT NOT NULL REFERENCES runs (run_id)", "cycle_no INTEGER NOT NULL",
          "time_utc TEXT NOT NULL", "reached BOOLEAN NOT NULL", "verdict TEXT NOT NULL",
          "cause TEXT"},
         "PRIMARY KEY (run_id, cycle_no)"},
        {"measurements",
         2,
         {"run_id TEXT NOT NULL", "cycle_no INTEGER NOT NULL", "sensor INTEGER NOT NULL",
          "measure TEXT NOT NULL", "value_number DOUBLE PRECISION", "value_text TEXT", "unit TEXT",
          "judged_number DOUBLE PRECISION", "judged_unit TEXT", "min_bound DOUBLE PRECISION",
          "max_bound DOUBLE PRECISION", "min_class TEXT", "allowed TEXT", "verdict TEXT",
          "raw TEXT", "raw_byte INTEGER"},
         "PRIMARY KEY (run_id, cycle_no, sensor, measure), "
         "FOREIGN KEY (run_id, cycle_no) REFERENCES cycles (run_id, cycle_no)"},
    };
    return all;
}

// For --history: a receiver's runs, a station's, everything since a time.
struct Index {
    const char* sql;
    int since;
};
constexpr Index Indexes[] = {
    {"CREATE INDEX runs_serial ON runs (serial, started)", 1},
    {"CREATE INDEX runs_station ON runs (station, started)", 1},
    {"CREATE INDEX runs_started ON runs (started)", 1},
};

// Held while a copy makes or migrates the schema of a PostgreSQL store.
constexpr qint64 SchemaLock = 0x7479726573636f70; // "tyrescop"

QStringList columnNames(const Table& table) {
    QStringList names;
    for (const char* column : table.columns) {
        names << QString::fromLatin1(column).section(QLatin1Char(' '), 0, 0);
    }
    return names;
}

const Table& tableNamed(const char* name) {
    for (const Table& table : tables()) {
        if (qstrcmp(table.name, name) == 0) {
            return table;
        }
    }
    Q_UNREACHABLE();
}

QString createStatement(const Table& table) {
    QStringList parts;
    for (const char* column : table.columns) {
        parts << QLatin1String(column);
    }
    if (table.constraints != nullptr) {
        parts << QLatin1String(table.constraints);
    }
    return QStringLiteral("CREATE TABLE %1 (%2)")
        .arg(QLatin1String(table.name), parts.join(QStringLiteral(", ")));
}

// "INSERT INTO runs (run_id, ...) VALUES (?, ...)", the values bound in the
// order of the columns.
QString insertStatement(const char* name) {
    const QStringList columns = columnNames(tableNamed(name));
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(QLatin1String(name), columns.join(QStringLiteral(", ")),
             marks.join(QStringLiteral(", ")));
}

// A record's values, in the order of the columns of runs, cycles and measurements.
struct Rows {
    QVariantList run;
    std::vector<QVariantList> cycles;
    std::vector<QVariantList> measurements;
};

QVariant text(const QJsonValue& value) {
    return value.isString() ? QVariant(value.toString()) : QVariant();
}

QVariant number(const QJsonValue& value) {
    return value.isDouble() ? QVariant(value.toDouble()) : QVariant();
}

QVariant integer(const QJsonValue& value) {
    return value.isDouble() ? QVariant(value.toInt()) : QVariant();
}

// Normalised, so that times of every store sort alike; null when not a time.
QVariant utcTime(const QJsonValue& value) {
    const QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    return time.isValid() ? QVariant(time.toUTC().toString(Qt::ISODateWithMs)) : QVariant();
}

QVariantList measurementRow(const QVariant& runId, int cycle, const QJsonObject& sensor,
                            const QJsonObject& m) {
    const QJsonValue value = m[QLatin1String("value")];
    const QJsonValue min = m[QLatin1String("min")];
    const QJsonValue allowed = m[QLatin1String("allowed")];
    const QJsonObject judged = m[QLatin1String("judged")].toObject();
    return {runId,
            cycle,
            integer(sensor[QLatin1String("sensor")]),
            text(m[QLatin1String("measure")]),
            number(value),
            value.isString() ? text(value) : text(m[QLatin1String("text")]),
            text(m[QLatin1String("unit")]),
            number(judged[QLatin1String("value")]),
            text(judged[QLatin1String("unit")]),
            number(min),
            number(m[QLatin1String("max")]),
            text(min),
            allowed.isArray()
                ? QVariant(QString::fromUtf8(
                      QJsonDocument(allowed.toArray()).toJson(QJsonDocument::Compact)))
                : QVariant(),
            text(m[QLatin1String("verdict")]),
            text(sensor[QLatin1String("raw")]),
            integer(m[QLatin1String("raw")])};
}

std::optional<Rows> rowsOf(const QByteArray& record, QString& error) {
    const QJsonObject r = QJsonDocument::fromJson(record).object();
    const auto at = [&r](const char* key) { return r[QLatin1String(key)]; };
    const QJsonObject dut = at("dut").toObject();
    const QJsonObject limits = at("limits").toObject();
    const QVariant runId = text(at("run_id"));
    Rows rows;
    rows.run = {runId,
                utcTime(at("start")),
                utcTime(at("end")),
                text(at("station")),
                text(at("operator")),
                text(dut[QLatin1String("label")]),
                text(dut[QLatin1String("serial")]),
                text(dut[QLatin1String("path")]),
                text(at("outcome")),
                integer(at("exit_status")),
                text(at("first_failure")[QLatin1String("cause")]),
                text(at("version")),
                text(limits[QLatin1String("name")]),
                text(limits[QLatin1String("sha256")]),
                QString::fromUtf8(record)};
    const QList<const char*> columns = tableNamed("runs").columns;
    const bool whole =
        at("format") == QLatin1String("tyrescope-record/1") && at("cycles").isArray() &&
        std::none_of(columns.begin(), columns.end(), [&](const char* column) {
            return isRequired(column) && rows.run[columns.indexOf(column)].toString().isEmpty();
        });
    if (!whole) {
        error = QStringLiteral("not a whole tyrescope-record/1 document");
        return std::nullopt;
    }
    for (const QJsonValue& c : at("cycles").toArray()) {
        const int number = c[QLatin1String("cycle")].toInt();
        rows.cycles.push_back({runId, number, utcTime(c[QLatin1String("time")]),
                               c[QLatin1String("reached")].toBool(),
                               text(c[QLatin1String("verdict")]), text(c[QLatin1String("cause")])});
        for (const QJsonValue& sensor : c[QLatin1String("sensors")].toArray()) {
            for (const QJsonValue& m : sensor[QLatin1String("measurements")].toArray()) {
                rows.measurements.push_back(
                    measurementRow(runId, number, sensor.toObject(), m.toObject()));
            }
        }
    }
    return rows;
}

// The statements that store a run's cycles and measurements, prepared once
// for many runs.
struct Details {
    QSqlQuery cycle;
    QSqlQuery measurement;

    bool prepare(Connection& c, QString& error) {
        return c.prepare(cycle, insertStatement("cycles"), error) &&
               c.prepare(measurement, insertStatement("measurements"), error);
    }
    bool put(Connection& c, const Rows& rows, QString& error) {
        for (const QVariantList& values : rows.cycles) {
            if (!c.run(cycle, values, error)) {
                return false;
            }
        }
        for (const QVariantList& values : rows.measurements) {
            if (!c.run(measurement, values, error)) {
                return false;
            }
        }
        return true;
    }
};

} // namespace

QString ResultStore::readTables() {
    // One statement for every table: a server far away answers each at a cost.
    const QString sql =
        connection_.postgresql()
            ? QStringLiteral("SELECT c.relname, a.attname FROM pg_catalog.pg_attribute AS a "
                             "JOIN pg_catalog.pg_class AS c ON c.oid = a.attrelid "
                             "WHERE c.relnamespace = current_schema()::regnamespace "
                             "AND c.relkind IN ('r', 'p') AND a.attnum > 0 "
                             "AND NOT a.attisdropped")
            : QStringLiteral("SELECT m.name, p.name FROM sqlite_master AS m "
                             "JOIN pragma_table_info(m.name) AS p WHERE m.type = 'table'");
    QSqlQuery query;
    QString error;
    if (!connection_.exec(query, sql, {}, error)) {
        return error;
    }
    tables_.clear();
    while (query.next()) {
        tables_[query.value(0).toString().toLower()] << query.value(1).toString().toLower();
    }
    return {};
}

QString ResultStore::readVersion(int& version) {
    if (const QString error = readTables(); !error.isEmpty()) {
        return error;
    }
    const QStringList columns = tables_.value(QStringLiteral("schema_version"));
    if (columns.isEmpty()) {
        for (const Table& table : tables()) {
            if (tables_.contains(QLatin1String(table.name))) {
                return QStringLiteral("it holds a table '%1' but no schema_version: "
                                      "Tyrescope did not make it")
                    .arg(QLatin1String(table.name));
            }
        }
        version = 0;
        return {};
    }
    if (!columns.contains(QLatin1String("version"))) {
        return QStringLiteral("its table 'schema_version' has no column 'version': Tyrescope "
                              "did not make it");
    }
    QSqlQuery query;
    QString error;
    if (!connection_.exec(query, QStringLiteral("SELECT version FROM schema_version"), {}, error)) {
        return error;
    }
    bool number = false;
    version = query.next() ? query.value(0).toInt(&number) : 0;
    if (!number || query.next()) {
        return QStringLiteral("its schema_version table does not hold one version: "
                              "Tyrescope did not make it");
    }
    return {};
}

QString ResultStore::checkTables(int version) const {
    for (const Table& table : tables()) {
        const QStringList there = tables_.value(QLatin1String(table.name));
        if (table.since > version) {
            continue;
        }
        if (there.isEmpty()) {
            return QStringLiteral("it has no table '%1'").arg(QLatin1String(table.name));
        }
        // Columns of its own that someone added are left alone.
        for (const QString& column : columnNames(table)) {
            if (!there.contains(column)) {
                return QStringLiteral("its table '%1' has no column '%2': Tyrescope did not "
                                      "make it")
                    .arg(QLatin1String(table.name), column);
            }
        }
    }
    return {};
}

QString ResultStore::upgrade(int from) {
    QString error;
    for (int version = from + 1; version <= SchemaVersion; ++version) {
        for (const Table& table : tables()) {
            if (table.since == version && !connection_.exec(createStatement(table), error)) {
                return error;
            }
        }
        for (const Index& index : Indexes) {
            if (index.since == version && !connection_.exec(QLatin1String(index.sql), error)) {
                return error;
            }
        }
        if (version == 2) {
            // The cycles and measurements of the runs stored before, from their records.
            QSqlQuery query;
            if (!connection_.exec(query, QStringLiteral("SELECT run_id FROM runs"), {}, error)) {
                return error;
            }
            QStringList runs;
            while (query.next()) {
                runs << query.value(0).toString();
            }
            Details details;
            if (!details.prepare(connection_, error)) {
                return error;
            }
            for (const QString& run : runs) {
                if (!connection_.exec(query,
                                      QStringLiteral("SELECT record FROM runs WHERE run_id = ?"),
                                      {run}, error)) {
                    return error;
                }
                const QByteArray record = query.next() ? query.value(0).toString().toUtf8() : "";
                query.finish();
                const std::optional<Rows> rows = rowsOf(record, error);
                if (!rows || !details.put(connection_, *rows, error)) {
                    return QStringLiteral("run %1: %2").arg(run, error);
                }
            }
        }
    }
    QSqlQuery query;
    const QString set = from == 0
                            ? QStringLiteral("INSERT INTO schema_version (version) VALUES (?)")
                            : QStringLiteral("UPDATE schema_version SET version = ?");
    connection_.exec(query, set, {SchemaVersion}, error);
    return error;
}

QString ResultStore::open(Access access) {
    if (access == Access::Read && target_.kind == Target::Kind::Sqlite &&
        !QFileInfo::exists(target_.path)) {
        return QStringLiteral("no such file");
    }
    QString error = connection_.open();
    int version = 0;
    // Seen as of one moment: another copy may be making the schema meanwhile.
    if (error.isEmpty() && connection_.beginRead(error)) {
        error = readVersion(version);
        if (error.isEmpty() && version == SchemaVersion) {
            error = checkTables(version);
        }
        connection_.rollback();
    }
    const QString newer = QStringLiteral("its schema is version %1, newer than this Tyrescope "
                                         "knows (%2): store with a newer Tyrescope");
    if (!error.isEmpty() || version >= SchemaVersion) {
        return error.isEmpty() && version > SchemaVersion ? newer.arg(version).arg(SchemaVersion)
                                                          : error;
    }
    if (access == Access::Read && version == 0) {
        return QStringLiteral("no run has been stored in it");
    }
    // One copy at a time makes or migrates the schema; another may have done
    // it while this one waited.
    if (!connection_.begin(error) ||
        (connection_.postgresql() &&
         !connection_.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(SchemaLock),
                           error))) {
        return error;
    }
    error = readVersion(version);
    if (error.isEmpty() && version > SchemaVersion) {
        error = newer.arg(version).arg(SchemaVersion);
    } else if (error.isEmpty() && version < SchemaVersion) {
        if (error = upgrade(version); !error.isEmpty() && version > 0) {
            error = QStringLiteral("its schema could not be brought from version %1 to %2: %3")
                        .arg(version)
                        .arg(SchemaVersion)
                        .arg(error);
        }
    }
    if (error.isEmpty()) {
        error = readTables();
    }
    if (error.isEmpty()) {
        error = checkTables(SchemaVersion);
    }
    if (error.isEmpty() && connection_.commit(error)) {
        return {};
    }
    connection_.rollback();
    return error;
}

QString ResultStore::put(const QList<QByteArray>& records, int* stored) {
    QString error;
    std::vector<Rows> all;
    for (const QByteArray& record : records) {
        std::optional<Rows> rows = rowsOf(record, error);
        if (!rows) {
            return error;
        }
        all.push_back(std::move(*rows));
    }
    QSqlQuery run;
    Details details;
    if (!connection_.begin(error)) {
        return error;
    }
    int added = 0;
    bool done = connection_.prepare(run,
                                    insertStatement("runs") +
                                        QStringLiteral(" ON CONFLICT (run_id) DO NOTHING"),
                                    error) &&
                details.prepare(connection_, error);
    for (std::size_t i = 0; done && i < all.size(); ++i) {
        done = connection_.run(run, all[i].run, error);
        // Nothing: the run is there already, with its details.
        if (done && run.numRowsAffected() > 0) {
            ++added;
            done = details.put(connection_, all[i], error);
        }
    }
    if (done && connection_.commit(error)) {
        if (stored != nullptr) {
            *stored = added;
        }
        return {};
    }
    connection_.rollback();
    return error;
}

namespace {

// The runs a query asks for, as an SQL condition of fixed text whose values
// are bound, so that no text asked for becomes SQL.
QString whereClause(const HistoryQuery& query, QVariantList& values) {
    QStringList where;
    for (const auto& [column, value] :
         {std::pair{"serial = ?", query.serial}, std::pair{"station = ?", query.station},
          std::pair{"started >= ?", query.since}, std::pair{"run_id = ?", query.runId}}) {
        if (!value.isEmpty()) {
            where << QLatin1String(column);
            values << value;
        }
    }
    return where.isEmpty() ? QString()
                           : QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
}

} // namespace

QString ResultStore::history(const HistoryQuery& query, std::vector<RunSummary>& runs) {
    QVariantList values;
    const QString sql =
        QStringLiteral("SELECT run_id, started, station, serial, outcome, cause FROM runs") +
        whereClause(query, values) + QStringLiteral(" ORDER BY started DESC, run_id DESC");
    QSqlQuery rows;
    QString error;
    if (!connection_.exec(rows, sql, values, error)) {
        return error;
    }
    while (rows.next()) {
        runs.push_back({rows.value(0).toString(), rows.value(1).toString(),
                        rows.value(2).toString(), rows.value(3).toString(),
                        rows.value(4).toString(), rows.value(5).toString()});
    }
    return {};
}

QString ResultStore::records(const HistoryQuery& query, QList<QByteArray>& records) {
    QVariantList values;
    const QString sql = QStringLiteral("SELECT record FROM runs") + whereClause(query, values) +
                        QStringLiteral(" ORDER BY started, run_id");
    QSqlQuery rows;
    QString error;
    if (!connection_.exec(rows, sql, values, error)) {
        return error;
    }
    while (rows.next()) {
        records << rows.value(0).toString().toUtf8();
    }
    return {};
}

} // namespace store
