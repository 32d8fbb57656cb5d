// SPDX-License-Identifier: MIT
// Reports opened in Debian's Chromium, headless: no script error, each plot
// drawn in its sensors' colours, the counts of the summary, a lost cycle's gap.
#include "report/HtmlReport.h"
#include "tests/support/Limits.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const qint64 Start = QDateTime(QDate(2026, 12, 8), QTime(8, 0), Qt::UTC).toMSecsSinceEpoch();
// Five sensors at five pressures and temperatures.
const char* const Bytes = "70 30 50 01|78 38 50 01|80 40 50 01|88 48 50 01|90 50 50 01";

// Twelve cycles 5 s apart; `lost` (0-based) did not reach the receiver.
report::Run runOf(const QString& serial, const QString& station, const QString& outcome,
                  int lost = -1) {
    report::Run r;
    r.serial = serial;
    r.station = station;
    r.outcome = outcome;
    r.start = Start;
    for (int n = 0; n < 12; ++n) {
        r.cycles.push_back({Start + 5000 * n, n != lost, recordsOf(n != lost ? Bytes : "")});
    }
    r.end = r.cycles.back().time;
    return r;
}

// Chromium as root without a sandbox, and without connections of its own; laid out
// 1200 pixels wide. What it printed (the DOM) and said on stderr.
std::pair<QString, QString> chromium(const QString& profile, const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral("chromium"),
            QStringList{"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                        "--no-first-run", "--disable-background-networking",
                        "--disable-component-update", "--disable-sync",
                        "--force-device-scale-factor=1", "--hide-scrollbars",
                        "--enable-logging=stderr", "--v=0", "--user-data-dir=" + profile} +
                arguments);
    if (!p.waitForFinished(60'000)) {
        p.kill();
        p.waitForFinished();
    }
    return {QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

QString attribute(const QString& dom, const QString& pattern) {
    return QRegularExpression(pattern).match(dom).captured(1);
}

// How many of the sensors' colours the column x and its neighbours hold within the area.
int coloursIn(const QImage& image, const QRect& area, int x) {
    int found = 0;
    for (const char* name : report::SensorColours) {
        const QColor c(QString::fromLatin1(name));
        bool seen = false;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int dx = -1; dx <= 1; ++dx) {
                const QColor p = image.pixelColor(x + dx, y);
                seen = seen || std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) +
                                       std::abs(p.blue() - c.blue()) <
                                   60;
            }
        }
        found += seen;
    }
    return found;
}

} // namespace

class tst_HtmlReport_Browser : public QObject {
    Q_OBJECT

private slots:
    // Receivers at two stations, one with a serial that is markup, two runs with a lost cycle.
    void opened() {
        const report::LoadedLibrary library = report::loadPlotLibrary();
        QVERIFY2(library.library, qPrintable(library.error + " (scripts/deps installs it)"));
        const std::vector<report::Run> runs{
            runOf("<script>x</script>", "bench-1", "pass"),
            runOf("TPMS-2", "bench-1", "fail", 3),
            runOf("TPMS-2", "bench-2", "error", 6),
        };
        const int lostIn[] = {-1, -1, 3, 3, 6, 6}; // of each plot, in the page's order
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("report.html")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(report::htmlReport(runs, {}, *library.library));
        file.close();
        const QString page = QUrl::fromLocalFile(file.fileName()).toString();
        const QString profile = dir.filePath(QStringLiteral("profile"));

        const auto [dom, said] = chromium(profile, {"--window-size=1200,1000", "--dump-dom", page});
        QCOMPARE(attribute(dom, " data-errors=\"(\\d+)\""), QStringLiteral("0"));
        QCOMPARE(attribute(dom, " data-drawn=\"(\\d+)\""), QStringLiteral("6"));
        QVERIFY2(!said.contains(QStringLiteral("Uncaught")), qPrintable(said));
        const report::Summary summary = report::summarize(runs);
        QCOMPARE(attribute(dom, "<span id=\"runs\">(\\d+)<"), QString::number(summary.all.runs));
        QCOMPARE(attribute(dom, "<span id=\"passed\">(\\d+)<"), QString::number(summary.all.pass));
        QCOMPARE(attribute(dom, "<span id=\"failed\">(\\d+)<"), QString::number(summary.all.fail));
        QVERIFY(dom.contains("<span class=\"serial\">&lt;script&gt;x&lt;/script&gt;"));

        // Every sensor's line in every plot, none across a lost cycle.
        const QString shot = dir.filePath(QStringLiteral("shot.png"));
        chromium(profile, {"--window-size=1200,3200", "--screenshot=" + shot, page});
        const QImage image(shot);
        for (int k = 0; k < 6; ++k) {
            // Where the plot's area lies on the page, and the times at its ends.
            const QStringList a =
                attribute(dom, QStringLiteral("id=\"plot-%1\"[^>]*data-area=\"([\\d.,]+)\"").arg(k))
                    .split(',');
            QCOMPARE(a.size(), 6);
            const QRect plot(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
            QVERIFY(image.rect().contains(plot));
            const auto xAt = [&](double cycle) {
                return plot.left() + int((double(Start) + cycle * 5000 - a[4].toDouble()) /
                                         (a[5].toDouble() - a[4].toDouble()) * plot.width());
            };
            QCOMPARE(coloursIn(image, plot, xAt(0.5)), protocol::SensorCount);
            QVERIFY(lostIn[k] < 0 || coloursIn(image, plot, xAt(lostIn[k])) == 0);
        }
    }
};

QTEST_MAIN(tst_HtmlReport_Browser)
#include "tst_htmlreport_browser.moc"
