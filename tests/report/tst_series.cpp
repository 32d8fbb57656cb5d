// SPDX-License-Identifier: MIT
#include "report/Series.h"

#include <QTest>

namespace {

// Cycles a second apart, one word each for sensor 1's pressure byte (its
// battery byte with a "b" and one more byte); "x" a lost cycle, "-" no data.
std::vector<report::Cycle> cyclesOf(const QString& words) {
    std::vector<report::Cycle> cycles;
    for (const QString& word : words.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        report::Cycle c{qint64(cycles.size()) * 1000, word != QLatin1String("x"), {}};
        c.data.fill(sensor::SensorRecord::of(protocol::NoDataRecord));
        const QStringList bytes = word.split(QLatin1Char('b'));
        c.data[0].pressure = word == QLatin1String("-") ? protocol::NoData : bytes[0].toUInt();
        c.data[0].battery = bytes.size() > 1 ? bytes[1].toUInt() : 100;
        c.data[0].status = 1;
        cycles.push_back(c);
    }
    return cycles;
}

// "second:byte" per point, "g" for a gap.
QString pointsOf(const std::vector<report::Point>& points) {
    QStringList out;
    for (const report::Point& p : points) {
        out << QStringLiteral("%1:%2")
                   .arg(p.time / 1000)
                   .arg(p.byte == report::Point::Gap ? QStringLiteral("g")
                                                     : QString::number(p.byte));
    }
    return out.join(QLatin1Char(' '));
}

} // namespace

class tst_Series : public QObject {
    Q_OBJECT

private slots:
    void series_data() {
        QTest::addColumn<QString>("cycles");
        QTest::addColumn<int>("buckets");
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("lost");    // from-to:share per span, in seconds
        QTest::addColumn<QString>("changes"); // the battery's first, then each change
        QTest::newRow("successive gaps are one") << "100 x - x 104" << 3 << "0:100 1:g 4:104"
                                                 << "0-2:1 2-4:1"
                                                 << "high";
        QTest::newRow("a spike of one cycle stays")
            << "100 100 100 100 100 200 100 100 100 100 100 100" << 2 << "0:100 5:200 6:100"
            << ""
            << "high";
        QTest::newRow("lowest and highest in time order")
            << "150 150 150 150 150 150 160 150 150 140 150 150" << 2 << "0:150 6:160 9:140"
            << ""
            << "high";
        QTest::newRow("a lost cycle stays a gap")
            << "100 100 100 x x 100 100 100 100 100 100 100" << 2 << "0:100 3:g 6:100"
            << "0-5:0.333333"
            << "high";
        QTest::newRow("a value between gaps")
            << "100 x 90 x 100 100 100 100 100 100 100 100" << 2 << "0:100 1:g 2:90 3:g 6:100"
            << "0-5:0.333333"
            << "high";
        QTest::newRow("battery changes, few: each")
            << "1b100 1b20 x 1b20 1b50" << 10 << "0:1 1:1 2:g 3:1 4:1"
            << "1-3:1"
            << "high|high>low 1|low>mid 4";
        QTest::newRow("battery changes within a span: one, counted")
            << "1b100 1b20 1b100 1b20 1b100 1b100 1b100 1b100 1b100 1b100 1b100 1b100" << 2
            << "0:1 6:1"
            << ""
            << "high|high>high 1 x4";
    }
    void series() {
        QFETCH(QString, cycles);
        QFETCH(int, buckets);
        const std::vector<report::Cycle> c = cyclesOf(cycles);
        const report::SensorSeries series =
            report::sensorSeries(c, verdict::Measure::Pressure, buckets);
        QTEST(pointsOf(series[0]), "points");
        // Sensor 2 never held data: one gap.
        QCOMPARE(pointsOf(series[1]), QStringLiteral("0:g"));
        QStringList lost;
        for (const report::Lost& l : report::lostSpans(c, buckets)) {
            lost << QStringLiteral("%1-%2:%3").arg(l.from / 1000).arg(l.to / 1000).arg(l.share);
        }
        QTEST(lost.join(QLatin1Char(' ')), "lost");
        const report::Changes changes = report::stateChanges(c, buckets);
        QStringList out{changes.first.battery[0]};
        for (const report::Change& ch : changes.changes) {
            out << QStringLiteral("%1>%2 %3%4")
                       .arg(ch.from, ch.to)
                       .arg(ch.time / 1000)
                       .arg(ch.count > 1 ? QStringLiteral(" x%1").arg(ch.count) : QString());
        }
        QTEST(out.join(QLatin1Char('|')), "changes");
    }
};

QTEST_GUILESS_MAIN(tst_Series)
#include "tst_series.moc"
