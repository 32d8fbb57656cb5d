// SPDX-License-Identifier: MIT
#include "report/HtmlReport.h"
#include "tests/support/Limits.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

const qint64 Day = 86'400'000;
const qint64 Start = QDateTime(QDate(2026, 12, 8), QTime(8, 0), Qt::UTC).toMSecsSinceEpoch();

// A run of `cycles` cycles 5 s apart holding bytes "78 41 50 01" (200 KPa, 25 °C) on every
// sensor, `days` after Start.
report::Run runOf(const QString& station, const QString& outcome, const QString& causeKind,
                  int days = 0, int cycles = 3) {
    report::Run r;
    r.station = station;
    r.outcome = outcome;
    r.causeKind = r.cause = causeKind;
    r.serial = QStringLiteral("TPMS-1");
    r.start = Start + days * Day;
    for (int n = 0; n < cycles; ++n) {
        r.cycles.push_back({r.start + 5000 * n, true, recordsOf("78 41 50 01|78 41 50 01")});
    }
    r.end = r.cycles.back().time;
    return r;
}

// The data the page carries for its script.
QJsonObject dataOf(const QByteArray& html) {
    const QByteArray open = "<script type=\"application/json\" id=\"report-data\">";
    const qsizetype from = html.indexOf(open) + open.size();
    return QJsonDocument::fromJson(html.mid(from, html.indexOf("</script>", from) - from)).object();
}

} // namespace

class tst_HtmlReport : public QObject {
    Q_OBJECT

private slots:
    void summary() {
        const report::Summary s = report::summarize({
            runOf("bench-1", "pass", {}),
            runOf("bench-1", "fail", "sensor 1 pressure below min 30 PSI"),
            runOf("bench-2", "fail", "sensor 1 pressure below min 30 PSI", 1),
            runOf("bench-2", "error", "receiver not found", 1),
            runOf({}, "aborted", "ended by SIGTERM", 1),
        });
        QCOMPARE(s.all, (report::Count{5, 1, 2, 1, 1}));
        QCOMPARE(s.byStation.at("bench-1"), (report::Count{2, 1, 1, 0, 0}));
        QCOMPARE(s.byStation.at("bench-2"), (report::Count{2, 0, 1, 1, 0}));
        QCOMPARE(s.byStation.at(""), (report::Count{1, 0, 0, 0, 1}));
        QCOMPARE(s.byDay.at("2026-12-08"), (report::Count{2, 1, 1, 0, 0}));
        QCOMPARE(s.byDay.at("2026-12-09"), (report::Count{3, 0, 1, 1, 1}));
        QCOMPARE(s.causes.front(),
                 std::pair(QStringLiteral("sensor 1 pressure below min 30 PSI"), 2));
        QCOMPARE(s.causes.size(), std::size_t(3));
    }

    // Texts from a log or a store stand in the page as text, and nothing in
    // them ends the script elements that carry the data.
    void escaping_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("a script element") << "<script>alert(1)</script>";
        QTest::newRow("an attribute's end") << "\" onmouseover=\"alert(1)";
        QTest::newRow("a comment and line separators") << "<!-- \u2028\u2029 &amp;";
    }
    void escaping() {
        QFETCH(QString, text);
        report::Run r = runOf(text, "fail", text);
        r.serial = r.operatorName = r.label = r.device = r.cause = text;
        report::Options options;
        options.source = text;
        const QByteArray html = report::htmlReport({r}, options, {"/* library */", ""});
        const QByteArray escaped = text.toHtmlEscaped().toUtf8();
        QVERIFY(!html.contains(text.toUtf8()));
        // In the title, the heading, the tables and the run's facts.
        QVERIFY2(html.count(escaped) >= 10, html.constData());
        QCOMPARE(html.count("<script"), 4); // errors, data, library, page
        // A short run: one level of every cycle.
        QCOMPARE(dataOf(html)["plots"][0]["levels"].toArray().size(), 1);
    }

    // Values in the report's units as the program prints them, limits too.
    void units_data() {
        QTest::addColumn<int>("pressureUnit");
        QTest::addColumn<int>("temperatureUnit");
        QTest::addColumn<QString>("shown"); // per plot: unit, sensor 1's first value, limits
        QTest::newRow("KPa, °C") << 0 << 0 << "KPa 200 220-260;°C 25 -20-60";
        QTest::newRow("Bar, °F") << 1 << 1 << "Bar 2 2.2-2.6;°F 77 -4-140";
        QTest::newRow("PSI") << 2 << 0 << "PSI 29 31.9-37.7;°C 25 -20-60";
    }
    void units() {
        QFETCH(int, pressureUnit);
        QFETCH(int, temperatureUnit);
        report::Run r = runOf("bench-1", "pass", {});
        r.limits = limitsOf("{'pressure':{'min':220,'max':260,'unit':'kpa'},"
                            "'temperature':{'min':-20,'max':60,'unit':'c'}}");
        report::Options options;
        options.buckets = 1; // beyond two cycles a coarse level and a finer one
        options.pressureUnit = *sensor::pressureUnitAt(pressureUnit);
        options.temperatureUnit = *sensor::temperatureUnitAt(temperatureUnit);
        QStringList shown;
        for (const QJsonValue plot :
             dataOf(report::htmlReport({r}, options, {}))["plots"].toArray()) {
            const QJsonValue band = plot["bands"][0];
            shown << QStringLiteral("%1 %2 %3-%4")
                         .arg(plot["unit"].toString())
                         .arg(plot["levels"][0][0][1].toDouble()) // a step, then a value
                         .arg(band["min"].toDouble())
                         .arg(band["max"].toDouble());
            QCOMPARE(band["sensors"].toArray().size(), protocol::SensorCount);
            QCOMPARE(plot["levels"].toArray().size(), 2);
        }
        QTEST(shown.join(';'), "shown");
    }

    void plotLibrary_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("error");
        QTest::newRow("missing") << QByteArray() << "cannot read the plotting library";
        QTest::newRow("a script's end") << QByteArray("x='</SCRIPT>'") << "holds '</script'";
        QTest::newRow("its source map left out")
            << QByteArray("var a;\n//# sourceMappingURL=dygraph.min.js.map\n") << "";
    }
    void plotLibrary() {
        QFETCH(QByteArray, script);
        QTemporaryDir folder;
        for (const auto& [name, bytes] :
             {std::pair{"dygraph.min.js", script}, {"dygraph.min.css", ".a{}"}}) {
            QFile file(folder.filePath(QLatin1String(name)));
            QVERIFY(bytes.isEmpty() || (file.open(QIODevice::WriteOnly) && file.write(bytes) > 0));
        }
        const report::LoadedLibrary loaded = report::loadPlotLibrary(folder.path());
        QFETCH(QString, error);
        QVERIFY2(loaded.error.contains(error), qPrintable(loaded.error));
        QCOMPARE(loaded.library.has_value(), error.isEmpty());
        QVERIFY(!loaded.library || loaded.library->script == "var a;\n");
    }
};

QTEST_GUILESS_MAIN(tst_HtmlReport)
#include "tst_htmlreport.moc"
