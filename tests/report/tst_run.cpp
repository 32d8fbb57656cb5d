// SPDX-License-Identifier: MIT
#include "record/RunRecord.h"
#include "report/Run.h"
#include "tests/support/Limits.h"

#include <QTest>

namespace {

const QDateTime Start(QDate(2026, 12, 8), QTime(1, 2, 3, 456), Qt::UTC);

// A record of cycles, one letter each: p passes, f has sensor 1 at 29.0 PSI
// with a mid battery and in pressure alert, e finds no receiver; against `limits`.
QByteArray recordOf(const QString& kinds, const char* limits) {
    record::RunFacts facts{"1.4.0", "bench-3", "ana", "LBL-7", {}, {}};
    facts.limits = verdict::LimitsFile{limitsOf(limits), QStringLiteral("ab12")};
    record::RunRecord run(facts, Start);
    for (qsizetype n = 0; n < kinds.size(); ++n) {
        cycle::CycleResult c;
        c.time = Start.addSecs(5 * n);
        c.opened = c.reached = kinds[n] != QLatin1Char('e');
        c.devicePath = c.opened ? QStringLiteral("/dev/hidraw3") : QString();
        c.deviceSerial = c.opened ? QStringLiteral("TPMS-0042") : QString();
        c.data = recordsOf(!c.reached                     ? ""
                           : kinds[n] == QLatin1Char('f') ? "78 41 30 02"
                                                          : "A0 41 50 01");
        run.addCycle(c, verdict::judge(c, facts.limits->limits));
    }
    run.finish(0, record::RunEnd::Completed, {}, Start.addSecs(60));
    return run.json();
}

} // namespace

class tst_Run : public QObject {
    Q_OBJECT

private slots:
    // Alike failures count together: the cause without its value.
    void fromRecord_data() {
        QTest::addColumn<QString>("kinds");
        QTest::addColumn<QByteArray>("limits");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("causeKind");
        const QByteArray low = "{'sensors':{'1':{'pressure':{'min':30,'unit':'psi'}}}}";
        QTest::newRow("pass") << "pp" << low << "pass"
                              << "";
        QTest::newRow("below min") << "pf" << low << "fail"
                                   << "sensor 1 pressure below min 30 PSI";
        QTest::newRow("above max")
            << "f" << QByteArray("{'pressure':{'max':1.5,'unit':'bar'}}") << "fail"
            << "sensor 1 pressure above max 1.5 Bar";
        QTest::newRow("status") << "f" << QByteArray("{'status':['normal mode']}") << "fail"
                                << "sensor 1 status not allowed";
        QTest::newRow("battery") << "f" << QByteArray("{'battery':{'min':'high'}}") << "fail"
                                 << "sensor 1 battery below min high";
        QTest::newRow("no receiver") << "pe" << low << "error"
                                     << "receiver not found";
    }
    void fromRecord() {
        QFETCH(QString, kinds);
        QFETCH(QByteArray, limits);
        const report::ReadRun read = report::runFromRecord(recordOf(kinds, limits.constData()));
        QVERIFY2(read.run, qPrintable(read.error));
        const report::Run& r = *read.run;
        QTEST(r.outcome, "outcome");
        QTEST(r.causeKind, "causeKind");
        QCOMPARE(r.end - r.start, 60'000);
        QVERIFY(r.limits.has_value());
        // The last cycle's time to the millisecond, and its bytes.
        const report::Cycle& last = r.cycles.at(std::size_t(kinds.size() - 1));
        QCOMPARE(last.time, Start.addSecs(5 * (kinds.size() - 1)).toMSecsSinceEpoch());
        QCOMPARE(last.data, recordsOf(kinds.endsWith('e')   ? ""
                                      : kinds.endsWith('f') ? "78 41 30 02"
                                                            : "A0 41 50 01"));
    }

    void notARecord_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("error");
        const QByteArray good = recordOf("p", "{'status':['normal mode']}");
        QTest::newRow("another format")
            << QByteArray(good).replace("tyrescope-record/1", "tyrescope-record/2")
            << "not a record of the format tyrescope-record/1";
        // Bytes as the record and the log write them, "78 41 50 01"; nothing else.
        for (const char* raw :
             {"A0 41 50", "A0 41 50 01 02", " A0 41 50 01", "A0 41 50 01 ", "A0 41 5G 01", ""}) {
            QTest::newRow(raw) << QByteArray(good).replace("\"A0 41 50 01\"",
                                                           QByteArray("\"") + raw + '"')
                               << QStringLiteral("run %1: cycle 1 sensor 1: raw bytes '") + raw +
                                      "' are no record";
        }
    }
    void notARecord() {
        QFETCH(QByteArray, json);
        const report::ReadRun read = report::runFromRecord(json);
        QVERIFY(!read.run);
        QFETCH(QString, error);
        const QString id = QString::fromLatin1(json.mid(json.indexOf("run_id") + 10, 36));
        QCOMPARE(read.error, error.replace(QStringLiteral("%1"), id));
    }
};

QTEST_GUILESS_MAIN(tst_Run)
#include "tst_run.moc"
