// SPDX-License-Identifier: MIT
#include "cycle/CycleOutput.h"
#include "report/LogRuns.h"
#include "tests/support/Limits.h"

#include <QRegularExpression>
#include <QTest>

namespace {

const QDateTime Start(QDate(2026, 12, 8), QTime(1, 2, 3, 456), Qt::UTC);
const char* const Read = "7D 3D 64 01|80 42 37 01";

// A log as the program writes it, one cycle a word 5 s apart: "A" read from
// receiver A, "a" A lost during the cycle, "-" no receiver found. Q's serial
// holds a comma and quotes, which CSV quotes.
QByteArray logOf(const QString& cycles, const cycle::CsvLayout& layout) {
    QByteArray log = cycle::csvHeader(layout);
    int n = 0;
    for (const QString& word : cycles.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QChar r = word[0];
        cycle::CycleResult c;
        c.time = Start.addSecs(5 * n++);
        c.opened = r != QLatin1Char('-');
        c.reached = r.isUpper();
        c.data = recordsOf(c.reached ? Read : "");
        if (c.opened) {
            c.devicePath = QStringLiteral("/dev/hidraw") + r.toLower();
            c.deviceSerial = r.toUpper() == QLatin1Char('Q')
                                 ? QStringLiteral("TPMS,\"Q\"")
                                 : QStringLiteral("TPMS-") + r.toUpper();
        }
        log += cycle::csvRows(c, {}, layout);
    }
    return log;
}

} // namespace

class tst_LogRuns : public QObject {
    Q_OBJECT

private slots:
    void runs_data() {
        QTest::addColumn<QByteArray>("log");
        // Per run: receiver (serial, else path), cycles, outcome, cause; or the error.
        QTest::addColumn<QString>("runs");
        const cycle::CsvLayout& now = cycle::csvLayouts()[0];
        const cycle::CsvLayout& old = cycle::csvLayouts()[1];
        const QString lostA = QStringLiteral("receiver at /dev/hidrawa lost during the cycle");
        QTest::newRow("one receiver") << logOf("A A A", now) << "TPMS-A 3 pass ";
        QTest::newRow("lost during a cycle") << logOf("A a A", now) << "TPMS-A 3 error " + lostA;
        QTest::newRow("not found: the receiver before")
            << logOf("A - B -", now)
            << "TPMS-A 2 error receiver not found|TPMS-B 2 error receiver not found";
        QTest::newRow("not found first: the first receiver")
            << logOf("- a A", now) << "TPMS-A 3 error receiver not found";
        QTest::newRow("never found") << logOf("- -", now) << " 2 error receiver not found";
        QTest::newRow("two copies, one log")
            << logOf("A Q A Q", now) << "TPMS-A 2 pass |TPMS,\"Q\" 2 pass ";
        QTest::newRow("1.3.0's layout, by path")
            << logOf("A B a", old) << "/dev/hidrawa 2 error " + lostA + "|/dev/hidrawb 1 pass ";
        QTest::newRow("byte-order mark, LF")
            << "\xEF\xBB\xBF" + logOf("A A", now).replace("\r\n", "\n") << "TPMS-A 2 pass ";
        QTest::newRow("header only") << cycle::csvHeader() << "";
        QTest::newRow("another header")
            << QByteArray("time,reached,sensor\r\n")
            << "x.csv is no log of Tyrescope: its first line is no header this program writes";
        QTest::newRow("a row cut short")
            << logOf("A", now).chopped(30) + "\r\n"
            << "TPMS-A 1 pass |x.csv: 1 row(s) cut short left out, the first on line 6";
        QTest::newRow("read without bytes")
            << logOf("A", now).replace("80 42 37 01", "")
            << "x.csv line 3: a cycle that reached the receiver without its raw bytes";
        QTest::newRow("no sensor")
            << logOf("A", now).replace(",1,213,", ",9,213,") << "x.csv line 2: no sensor 1 to 5";
    }
    void runs() {
        QFETCH(QByteArray, log);
        const report::LogRuns read = report::runsFromLog(log, QStringLiteral("x.csv"));
        QStringList runs;
        for (const report::Run& r : read.runs) {
            runs << QStringLiteral("%1 %2 %3 %4")
                        .arg(r.serial.isEmpty() ? r.device : r.serial)
                        .arg(r.cycles.size())
                        .arg(r.outcome, r.cause);
            QCOMPARE(r.start, r.cycles.front().time);
        }
        runs << read.notice;
        QTEST(read.error.isEmpty() ? runs.join('|').remove(QRegularExpression("\\|$")) : read.error,
              "runs");
        // The bytes as logged; times to the millisecond.
        const auto& last = read.runs.empty() ? report::Cycle{} : read.runs[0].cycles.back();
        QVERIFY(!last.reached || (last.data == recordsOf(Read) && last.time % 1000 == 456));
    }
};

QTEST_GUILESS_MAIN(tst_LogRuns)
#include "tst_logruns.moc"
