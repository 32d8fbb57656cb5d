// SPDX-License-Identifier: MIT
#include "store/ResultStore.h"
#include "tests/support/Records.h"
#include "tests/support/Stores.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>
#include <unistd.h>

namespace {

const QDateTime Start(QDate(2026, 12, 8), QTime(1, 2, 3, 456), Qt::UTC);
// Texts a statement built from strings would choke on, or run.
const QString Awkward = QStringLiteral("b'3\"; DROP TABLE runs; --");

// A record whose second cycle is numbered as the first, which the tables refuse.
QByteArray refusedRecord() {
    return recordOf("TPMS-3", "b3", Start, "pp").replace("\"cycle\": 2", "\"cycle\": 1");
}

QStringList summary(const store::Target& target, const store::HistoryQuery& query) {
    store::ResultStore s(target);
    std::vector<store::RunSummary> runs;
    QString error = s.open(store::ResultStore::Access::Read);
    if (error.isEmpty()) {
        error = s.history(query, runs);
    }
    QStringList out{error};
    for (const store::RunSummary& run : runs) {
        out << run.station + QLatin1Char('/') + run.serial + QLatin1Char('/') + run.outcome;
    }
    return out;
}

// The same of the records --report reads, oldest first.
QStringList recordSummary(const store::Target& target, const store::HistoryQuery& query) {
    store::ResultStore s(target);
    QList<QByteArray> records;
    QString error = s.open(store::ResultStore::Access::Read);
    if (error.isEmpty()) {
        error = s.records(query, records);
    }
    QStringList out{error};
    for (const QByteArray& record : records) {
        const QJsonObject run = QJsonDocument::fromJson(record).object();
        out.insert(1, run["station"].toString() + QLatin1Char('/') +
                          run["dut"]["serial"].toString() + QLatin1Char('/') +
                          run["outcome"].toString());
    }
    return out;
}

} // namespace

class tst_ResultStore : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    store::Target historyStore_;

private slots:
    // Nothing of Qt's on standard error either: a run says what went wrong in one line.
    void init() { QTest::failOnWarning(QRegularExpression(".")); }

    // Texts verbatim, the measurements as the record has them, a second
    // store of the same run leaving it as it was.
    void storeAndReadBack() {
        const store::Target target = freshStore(dir_);
        store::ResultStore s(target);
        QCOMPARE(s.open(), QString());
        const QByteArray record = recordOf(Awkward, Awkward, Start, QStringLiteral("pf"));
        int stored = -1;
        QCOMPARE(s.put({record}, &stored), QString());
        QCOMPARE(stored, 1);
        QCOMPARE(s.put({record, recordOf("TPMS-2", "b2", Start)}, &stored), QString());
        QCOMPARE(stored, 1);
        QCOMPARE(summary(target, {Awkward, Awkward, {}, {}}),
                 QStringList({"", Awkward + '/' + Awkward + "/fail"}));
        const auto value = [&target](const char* sql) { return valueOf(target, sql); };
        QCOMPARE(value("SELECT count(*) FROM runs"), 2);
        QCOMPARE(value("SELECT count(*) FROM cycles"), 3);
        QCOMPARE(value("SELECT count(*) FROM measurements"), 60);
        // Sensor 1 in the second cycle: 200 KPa shown, 29 PSI judged against min 30.
        QCOMPARE(value("SELECT value_number + judged_number + min_bound FROM measurements WHERE "
                       "cycle_no = 2 AND sensor = 1 AND measure = 'pressure' AND "
                       "verdict = 'fail' AND unit = 'KPa' AND judged_unit = 'PSI'"),
                 259);
        QCOMPARE(value("SELECT raw_byte FROM measurements WHERE cycle_no = 2 AND sensor = 1 "
                       "AND measure = 'battery' AND raw = '78 41 50 01'"),
                 0x50);
        store::Connection c(target);
        QSqlQuery q;
        QString error = c.open();
        QVERIFY(c.exec(q, "SELECT record, cause FROM runs WHERE serial = ?", {Awkward}, error));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString().toUtf8(), record);
        QCOMPARE(q.value(1).toString(), "sensor 1 pressure 29.0 PSI below min 30 PSI");
        // A run whose second cycle the store refuses is not stored in part.
        QVERIFY(!s.put({refusedRecord()}).isEmpty());
        QCOMPARE(value("SELECT count(*) FROM runs"), 2);
    }

    void schema_data() {
        QTest::addColumn<QStringList>("before"); // statements
        QTest::addColumn<QByteArray>("record");  // of a run stored by version 1
        QTest::addColumn<QString>("error");      // of open(); empty: opened
        QTest::addColumn<int>("version");        // after it
        QTest::addColumn<int>("measurements");   // after it; -1: no such table
        QFile file(TYRESCOPE_TEST_DATA "/store-schema-1.sql");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList version1 = QString::fromUtf8(file.readAll())
                                   .remove(QRegularExpression("--[^\n]*\n"))
                                   .split(';', Qt::SkipEmptyParts);
        version1.removeLast(); // the line end after the last
        const QString schemaVersion = version1.first();
        QTest::newRow("empty") << QStringList() << QByteArray() << "" << 2 << 0;
        QTest::newRow("version 1") << version1 << recordOf("TPMS-1", "b1", Start) << "" << 2 << 20;
        QTest::newRow("version 1, a run its tables refuse")
            << version1 << refusedRecord()
            << "its schema could not be brought from version 1 to 2: run " << 1 << -1;
        QTest::newRow("version 3")
            << QStringList{schemaVersion, "INSERT INTO schema_version VALUES (3)"} << QByteArray()
            << "its schema is version 3, newer than this Tyrescope knows "
               "(2): store with a newer Tyrescope"
            << 3 << -1;
        QTest::newRow("runs of another program")
            << QStringList{"CREATE TABLE runs (id INTEGER, name TEXT)"} << QByteArray()
            << "it holds a table 'runs' but no schema_version: Tyrescope did not make it" << -1
            << -1;
        QTest::newRow("runs of other columns")
            << QStringList{schemaVersion, "INSERT INTO schema_version VALUES (2)",
                           "CREATE TABLE runs (run_id TEXT, name TEXT)"}
            << QByteArray() << "its table 'runs' has no column 'started': Tyrescope did not make it"
            << 2 << -1;
        QStringList withoutCycles = version1;
        withoutCycles.last().replace("1", "2");
        QTest::newRow("no cycles")
            << withoutCycles << QByteArray() << "it has no table 'cycles'" << 2 << -1;
    }
    // Made on first use, an older one migrated with the runs it held, or left
    // as it was when that fails; others refused.
    void schema() {
        QFETCH(QStringList, before);
        QFETCH(QByteArray, record);
        QFETCH(QString, error);
        const store::Target target = freshStore(dir_);
        QVERIFY(execAll(target, before));
        if (!record.isEmpty()) {
            store::Connection c(target);
            QSqlQuery q;
            QString why = c.open();
            const QString runId = QJsonDocument::fromJson(record)["run_id"].toString();
            QVERIFY2(c.exec(q,
                            "INSERT INTO runs (run_id, started, ended, station, outcome, "
                            "exit_status, tool_version, record) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                            {runId, "2026-12-08T01:02:03.456Z", "2026-12-08T01:02:13.456Z", "b1",
                             "pass", 0, "1.3.9", QString::fromUtf8(record)},
                            why),
                     qPrintable(why));
        }
        store::ResultStore s(target);
        const QString opened = s.open();
        QVERIFY2(error.isEmpty() ? opened.isEmpty() : opened.startsWith(error), qPrintable(opened));
        QTEST(valueOf(target, "SELECT max(version) FROM schema_version"), "version");
        QTEST(valueOf(target, "SELECT count(*) FROM measurements"), "measurements");
        if (error.isEmpty()) {
            QCOMPARE(s.put({recordOf("TPMS-2", "b1", Start)}), QString());
        }
    }

    void history_data() {
        historyStore_ = freshStore(dir_);
        store::ResultStore s(historyStore_);
        QCOMPARE(s.open(), QString());
        const QByteArray lost = recordOf("TPMS-2", "b2", Start.addDays(2), "e");
        QCOMPARE(
            s.put({recordOf("TPMS-2", "b1", Start), recordOf("TPMS-1", "b2", Start.addDays(1), "f"),
                   lost, recordOf("TPMS-1", "b1", Start.addDays(3))}),
            QString());
        QTest::addColumn<store::HistoryQuery>("query");
        QTest::addColumn<QStringList>("runs");
        QTest::newRow("all") << store::HistoryQuery{}
                             << QStringList{"", "b1/TPMS-1/pass", "b2//error", "b2/TPMS-1/fail",
                                            "b1/TPMS-2/pass"};
        QTest::newRow("serial") << store::HistoryQuery{"TPMS-1", {}, {}, {}}
                                << QStringList{"", "b1/TPMS-1/pass", "b2/TPMS-1/fail"};
        QTest::newRow("station") << store::HistoryQuery{{}, "b2", {}, {}}
                                 << QStringList{"", "b2//error", "b2/TPMS-1/fail"};
        QTest::newRow("since") << store::HistoryQuery{"TPMS-1", {}, "2026-12-11T01:02:03.456Z", {}}
                               << QStringList{"", "b1/TPMS-1/pass"};
        QTest::newRow("run id")
            << store::HistoryQuery{{}, {}, {}, QJsonDocument::fromJson(lost)["run_id"].toString()}
            << QStringList{"", "b2//error"};
    }
    // Newest first, by day, --since taking a run that started at that moment; the
    // receiver without data was not reached (no serial). --report reads the same
    // runs' records, oldest first.
    void history() {
        QFETCH(store::HistoryQuery, query);
        QTEST(summary(historyStore_, query), "runs");
        QTEST(recordSummary(historyStore_, query), "runs");
    }

    // Ten copies at once on a store not made yet, each storing a run of its
    // own and one they all store: the schema made once, every run once.
    void concurrentWriters() {
        const store::Target target = freshStore(dir_);
        const QString shared = recordOf("TPMS-0", "b0", Start);
        std::vector<std::unique_ptr<QProcess>> writers;
        for (int i = 0; i < 10; ++i) {
            writers.push_back(std::make_unique<QProcess>());
            writers.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            writers.back()->start(QCoreApplication::applicationFilePath(),
                                  {"--store", target.name(), shared});
        }
        for (auto& writer : writers) {
            QVERIFY(writer->waitForFinished(60000));
            QCOMPARE(writer->exitCode(), 0);
        }
        QCOMPARE(valueOf(target, "SELECT count(DISTINCT run_id) FROM runs"), 11);
        QCOMPARE(valueOf(target, "SELECT count(*) FROM runs"), 11);
        QCOMPARE(valueOf(target, "SELECT count(*) FROM measurements"), 11 * 20);
    }
};

Q_DECLARE_METATYPE(store::HistoryQuery)

// --store TARGET RECORD: one of the concurrent writers; it stores a run of
// its own, then RECORD, each in a transaction of its own.
int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args[1] == "--store") {
        QString error;
        store::ResultStore s(*store::parseTarget(args[2], error));
        error = s.open();
        for (const QByteArray& record :
             {recordOf(QString::number(getpid()), "b1", Start), args[3].toUtf8()}) {
            error = error.isEmpty() ? s.put({record}) : error;
        }
        qInfo("%s", qPrintable(error));
        return error.isEmpty() ? 0 : 1;
    }
    tst_ResultStore test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_resultstore.moc"
