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

class Chromium {
public:
    // The page's DOM once its scripts ran, and what the browser said on stderr;
    // laid out as wide as the screenshot.
    QString dom(const QString& page) {
        return run({"--window-size=1200,1000", "--dump-dom", page});
    }
    QImage screenshot(const QString& page, int height) {
        const QString png = profile_.filePath(QStringLiteral("shot.png"));
        run({QStringLiteral("--window-size=1200,%1").arg(height), "--screenshot=" + png, page});
        return QImage(png);
    }
    QString errors;

private:
    QString run(const QStringList& arguments) {
        QProcess p;
        // As root without a sandbox, and none of Chromium's own connections.
        p.start(QStringLiteral("chromium"),
                QStringList{"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                            "--no-first-run", "--disable-background-networking",
                            "--disable-component-update", "--disable-sync",
                            "--force-device-scale-factor=1", "--hide-scrollbars",
                            "--enable-logging=stderr", "--v=0",
                            "--user-data-dir=" + profile_.filePath(QStringLiteral("profile"))} +
                    arguments);
        if (!p.waitForFinished(60'000)) {
            p.kill();
            p.waitForFinished();
        }
        errors += QString::fromLocal8Bit(p.readAllStandardError());
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    QTemporaryDir profile_;
};

QString attribute(const QString& dom, const QString& pattern) {
    return QRegularExpression(pattern).match(dom).captured(1);
}

// Pixels of the column x (and its neighbours) within the area that are near each colour.
std::vector<int> coloursIn(const QImage& image, const QRect& area, int x) {
    std::vector<int> found;
    for (const char* name : report::SensorColours) {
        const QColor c(QString::fromLatin1(name));
        int n = 0;
        for (int dx = -1; dx <= 1; ++dx) {
            for (int y = area.top(); y <= area.bottom(); ++y) {
                const QColor p = image.pixelColor(x + dx, y);
                n += std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) +
                         std::abs(p.blue() - c.blue()) <
                     60;
            }
        }
        found.push_back(n);
    }
    return found;
}

} // namespace

class tst_HtmlReport_Browser : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        const report::LoadedLibrary loaded = report::loadPlotLibrary();
        QVERIFY2(loaded.library, qPrintable(loaded.error + " (scripts/deps installs it)"));
        library_ = *loaded.library;
    }

    // Receivers at two stations, one of them with a serial that is markup.
    void summaryAndPlots() {
        const std::vector<report::Run> runs{
            runOf("<script>x</script>", "bench-1", "pass"),
            runOf("TPMS-2", "bench-1", "fail", 3),
            runOf("TPMS-2", "bench-2", "error", 6),
        };
        const QString page = write(runs);
        Chromium chromium;
        const QString dom = chromium.dom(page);
        QCOMPARE(attribute(dom, " data-errors=\"(\\d+)\""), QStringLiteral("0"));
        QCOMPARE(attribute(dom, " data-drawn=\"(\\d+)\""), QStringLiteral("6"));
        QVERIFY2(!chromium.errors.contains(QStringLiteral("Uncaught")),
                 qPrintable(chromium.errors));
        const report::Summary summary = report::summarize(runs);
        QCOMPARE(attribute(dom, "<span id=\"runs\">(\\d+)<"), QString::number(summary.all.runs));
        QCOMPARE(attribute(dom, "<span id=\"passed\">(\\d+)<"), QString::number(summary.all.pass));
        QCOMPARE(attribute(dom, "<span id=\"failed\">(\\d+)<"), QString::number(summary.all.fail));
        QVERIFY(
            dom.contains(QStringLiteral("<span class=\"serial\">&lt;script&gt;x&lt;/script&gt;")));
        QVERIFY(!dom.contains(QStringLiteral("<script>x")));
    }

    // Every sensor's line in the plot, none across the lost cycle.
    void gapOfALostCycle() {
        const QString page = write({runOf("TPMS-1", "bench-1", "error", 6)});
        Chromium chromium;
        const QString dom = chromium.dom(page);
        const QStringList area =
            attribute(dom, "id=\"plot-0\"[^>]*data-area=\"([\\d,]+)\"").split(QLatin1Char(','));
        const QStringList window =
            attribute(dom, "id=\"plot-0\"[^>]*data-window=\"([\\d.,]+)\"").split(QLatin1Char(','));
        QCOMPARE(area.size(), 4);
        QCOMPARE(window.size(), 2);
        const QRect plot(area[0].toInt(), area[1].toInt(), area[2].toInt(), area[3].toInt());
        const QImage shot = chromium.screenshot(page, plot.bottom() + 100);
        QVERIFY(!shot.isNull());
        const auto xAt = [&](double cycle) {
            const double t = double(Start) + cycle * 5000;
            return plot.left() + int((t - window[0].toDouble()) /
                                     (window[1].toDouble() - window[0].toDouble()) * plot.width());
        };
        for (const int n : coloursIn(shot, plot, xAt(2.5))) {
            QVERIFY(n > 0);
        }
        for (const int n : coloursIn(shot, plot, xAt(6))) {
            QCOMPARE(n, 0);
        }
    }

private:
    QString write(const std::vector<report::Run>& runs) {
        const QString path = dir_.filePath(QStringLiteral("report%1.html").arg(pages_++));
        QFile file(path);
        const QByteArray html = report::htmlReport(runs, {}, library_);
        if (!file.open(QIODevice::WriteOnly) || file.write(html) != html.size()) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return QUrl::fromLocalFile(path).toString();
    }

    report::PlotLibrary library_;
    QTemporaryDir dir_;
    int pages_ = 0;
};

QTEST_MAIN(tst_HtmlReport_Browser)
#include "tst_htmlreport_browser.moc"
