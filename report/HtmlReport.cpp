// SPDX-License-Identifier: MIT
#include "report/HtmlReport.h"

#include "report/Series.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <array>

namespace report {

namespace {

using verdict::Measure;

QString esc(const QString& text) {
    return text.toHtmlEscaped();
}

QString timeText(qint64 ms, const QString& format = QStringLiteral("yyyy-MM-dd HH:mm:ss")) {
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(format);
}

// A JSON string that cannot end the script element it stands in ("</script>",
// "<!--") nor a line of JavaScript (U+2028, U+2029).
void addJsonString(QByteArray& out, const QString& text) {
    out += '"';
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '"' || u == '\\') {
            out += '\\';
            out += char(u);
        } else if (u < 0x20 || u == '<' || u == '>' || u == '&' || u == 0x2028 || u == 0x2029) {
            out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0')).toLatin1();
        } else {
            out += QString(c).toUtf8();
        }
    }
    out += '"';
}

// Each byte's value in the report's unit as the program prints it.
using ValueTexts = std::array<QByteArray, 256>;
ValueTexts valueTexts(Measure measure, const Options& options) {
    ValueTexts texts;
    for (int byte = 0; byte < 256; ++byte) {
        const auto b = static_cast<std::uint8_t>(byte);
        const std::optional<sensor::ShownNumber> n =
            measure == Measure::Pressure ? sensor::pressureIn(b, options.pressureUnit)
                                         : sensor::temperatureIn(b, options.temperatureUnit);
        texts[std::size_t(byte)] = n ? n->text(QStringLiteral(".")).toLatin1() : "null";
    }
    return texts;
}

// The limit band of a sensor's measure in the report's unit: min, max.
using Band = std::pair<std::optional<double>, std::optional<double>>;
template <typename Unit>
std::optional<Band> bandIn(const std::optional<verdict::Range<Unit>>& range, Unit unit,
                           double (*convert)(double, Unit, Unit)) {
    if (!range) {
        return std::nullopt;
    }
    const auto in = [&](const std::optional<double>& v) {
        return v ? std::optional<double>(convert(*v, range->unit, unit)) : std::nullopt;
    };
    return Band{in(range->min), in(range->max)};
}

std::optional<Band> bandOf(const verdict::SensorLimits& limits, Measure measure,
                           const Options& options) {
    return measure == Measure::Pressure
               ? bandIn(limits.pressure, options.pressureUnit, sensor::convertPressure)
               : bandIn(limits.temperature, options.temperatureUnit, sensor::convertTemperature);
}

QByteArray jsonNumber(const std::optional<double>& v) {
    return v ? QByteArray::number(*v, 'g', 6) : QByteArray("null");
}

// Writes the page's data and HTML as it goes.
class Page {
public:
    Page(const Options& options)
        : options_(options), pressure_(valueTexts(Measure::Pressure, options)),
          temperature_(valueTexts(Measure::Temperature, options)) {}

    QString html;
    QByteArray plots; // the plots' JSON objects, comma-separated
    QByteArray runs;  // the runs' JSON objects

    void run(const Run& r, int index);

private:
    QString plot(const Run& r, int runIndex, Measure measure);
    void addLevel(const SensorSeries& series, const ValueTexts& texts, qint64 start);

    const Options& options_;
    const ValueTexts pressure_;
    const ValueTexts temperature_;
    int plotCount_ = 0;
};

void Page::addLevel(const SensorSeries& series, const ValueTexts& texts, qint64 start) {
    plots += '[';
    for (std::size_t s = 0; s < series.size(); ++s) {
        plots += s == 0 ? "[" : ",[";
        qint64 previous = start;
        bool first = true;
        // Times as steps from the point before, to keep a long run small.
        for (const Point& p : series[s]) {
            plots += first ? "" : ",";
            plots += QByteArray::number(p.time - previous) + ',' +
                     (p.byte == Point::Gap ? QByteArray("null") : texts[std::size_t(p.byte)]);
            previous = p.time;
            first = false;
        }
        plots += ']';
    }
    plots += ']';
}

QString Page::plot(const Run& r, int runIndex, Measure measure) {
    const bool isPressure = measure == Measure::Pressure;
    const ValueTexts& texts = isPressure ? pressure_ : temperature_;
    const SensorSeries coarse = sensorSeries(r.cycles, measure, options_.buckets);
    int low = 256;
    int high = -1;
    for (const auto& series : coarse) {
        for (const Point& p : series) {
            if (p.byte != Point::Gap) {
                low = std::min(low, p.byte);
                high = std::max(high, p.byte);
            }
        }
    }
    const QString unit = isPressure ? sensor::unitLabel(options_.pressureUnit)
                                    : sensor::unitLabel(options_.temperatureUnit);
    const QString name = isPressure ? QStringLiteral("Pressure") : QStringLiteral("Temperature");
    if (high < 0) {
        return QStringLiteral("<p class=\"novalues\">%1: no values (no sensor held data in a "
                              "cycle that reached the receiver).</p>\n")
            .arg(name);
    }
    const int number = plotCount_++;
    const qint64 start = r.cycles.front().time;
    plots += plots.isEmpty() ? "" : ",\n";
    plots += "{\"id\":" + QByteArray::number(number) + ",\"run\":" + QByteArray::number(runIndex) +
             ",\"start\":" + QByteArray::number(start) + ",\"unit\":";
    addJsonString(plots, unit);
    plots += ",\"title\":";
    addJsonString(plots, name);
    plots += ",\"levels\":[";
    addLevel(coarse, texts, start);
    if (r.cycles.size() > 2 * static_cast<std::size_t>(options_.buckets)) {
        plots += ',';
        addLevel(sensorSeries(r.cycles, measure, options_.buckets * 8), texts, start);
    }
    plots += "],\"range\":[" + texts[std::size_t(low)] + ',' + texts[std::size_t(high)] + ']';

    // Sensors held to the same band share it.
    std::vector<std::pair<Band, std::vector<int>>> bands;
    if (r.limits) {
        for (int s = 0; s < protocol::SensorCount; ++s) {
            const auto band = bandOf(r.limits->sensors[std::size_t(s)], measure, options_);
            if (!band) {
                continue;
            }
            const auto same = std::find_if(bands.begin(), bands.end(),
                                           [&](const auto& b) { return b.first == *band; });
            (same == bands.end() ? bands.emplace_back(*band, std::vector<int>{}) : *same)
                .second.push_back(s + 1);
        }
    }
    plots += ",\"bands\":[";
    QStringList bandTexts;
    for (std::size_t b = 0; b < bands.size(); ++b) {
        const auto& [band, sensors] = bands[b];
        plots += (b == 0 ? "" : ",") + QByteArray("{\"min\":") + jsonNumber(band.first) +
                 ",\"max\":" + jsonNumber(band.second) + ",\"sensors\":[";
        QStringList names;
        for (const int s : sensors) {
            plots += (names.isEmpty() ? "" : ",") + QByteArray::number(s);
            names << QString::number(s);
        }
        plots += "]}";
        const auto bound = [](const std::optional<double>& v) {
            return v ? verdict::limitText(*v, QStringLiteral(".")) : QStringLiteral("…");
        };
        bandTexts << QStringLiteral("%1 to %2 %3 (sensor %4)")
                         .arg(bound(band.first), bound(band.second), unit,
                              names.join(QStringLiteral(", ")));
    }
    plots += "]}";
    const QString id = QString::number(number);
    return QStringLiteral("<figure class=\"plot-block\"><figcaption>%1, %2%3</figcaption>"
                          "<div class=\"plot\" id=\"plot-%4\"></div>"
                          "<div class=\"plot-legend\" id=\"legend-%4\"></div></figure>\n")
        .arg(name, esc(unit),
             bandTexts.isEmpty()
                 ? QString()
                 : esc(QStringLiteral("; limits ") + bandTexts.join(QStringLiteral("; "))),
             id);
}

QString outcomeBadge(const QString& outcome) {
    return QStringLiteral("<span class=\"outcome %1\">%1</span>").arg(esc(outcome));
}

void Page::run(const Run& r, int index) {
    const int lost = static_cast<int>(
        std::count_if(r.cycles.begin(), r.cycles.end(), [](const Cycle& c) { return !c.reached; }));
    html += QStringLiteral("<article class=\"run\" id=\"run-%1\">\n<h3>Run of %2 UTC %3</h3>\n")
                .arg(index)
                .arg(timeText(r.start), outcomeBadge(r.outcome));
    QStringList facts;
    const auto fact = [&facts](const QString& name, const QString& value) {
        if (!value.isEmpty()) {
            facts << QStringLiteral("<dt>%1</dt><dd>%2</dd>").arg(name, esc(value));
        }
    };
    fact(QStringLiteral("Ended"), timeText(r.end) + QStringLiteral(" UTC"));
    fact(QStringLiteral("Station"), r.station);
    fact(QStringLiteral("Operator"), r.operatorName);
    fact(QStringLiteral("DUT label"), r.label);
    fact(QStringLiteral("Device"), r.device);
    fact(QStringLiteral("Cycles"), QStringLiteral("%1, %2 of them lost (not reaching the receiver)")
                                       .arg(r.cycles.size())
                                       .arg(lost));
    fact(QStringLiteral("Limits"), r.limits ? r.limits->name : QString());
    fact(QStringLiteral("First failure"), r.cause);
    fact(QStringLiteral("Run ID"), r.runId);
    html +=
        QStringLiteral("<dl class=\"facts\">") + facts.join(QString()) + QStringLiteral("</dl>\n");
    if (r.cycles.empty()) {
        html += QStringLiteral("<p class=\"novalues\">No cycle was recorded.</p>\n");
    } else {
        html += plot(r, index, Measure::Pressure);
        html += plot(r, index, Measure::Temperature);
    }

    const Changes changes = r.cycles.empty() ? Changes{} : stateChanges(r.cycles, options_.buckets);
    runs += runs.isEmpty() ? "{" : ",\n{";
    runs += "\"first\":[";
    for (std::size_t s = 0; s < changes.first.battery.size(); ++s) {
        runs += s == 0 ? "[" : ",[";
        addJsonString(runs, changes.first.battery[s]);
        runs += ',';
        addJsonString(runs, changes.first.status[s]);
        runs += ']';
    }
    runs += "],\"changes\":[";
    for (std::size_t c = 0; c < changes.changes.size(); ++c) {
        const Change& ch = changes.changes[c];
        runs += (c == 0 ? "[" : ",[") + QByteArray::number(ch.time) + ',' +
                QByteArray::number(ch.sensor) + (ch.measure == Measure::Battery ? ",1," : ",0,");
        addJsonString(runs, ch.to);
        runs += ']';
    }
    // Per level of the plots.
    runs += "],\"lost\":[";
    for (const int buckets : {options_.buckets, options_.buckets * 8}) {
        const std::vector<Lost> spans = lostSpans(r.cycles, buckets);
        runs += buckets == options_.buckets ? "[" : ",[";
        for (std::size_t k = 0; k < spans.size(); ++k) {
            runs += (k == 0 ? "[" : ",[") + QByteArray::number(spans[k].from) + ',' +
                    QByteArray::number(spans[k].to) + ',' +
                    QByteArray::number(spans[k].share, 'g', 3) + ']';
        }
        runs += ']';
    }
    runs += "]}";

    constexpr std::size_t Listed = 40;
    if (!changes.changes.empty()) {
        html += QStringLiteral("<table class=\"changes\"><caption>Battery class and status changes "
                               "(marked on the plots)</caption>\n<tr><th>Time (UTC)</th>"
                               "<th>Sensor</th><th>Change</th></tr>\n");
        for (std::size_t c = 0; c < std::min(Listed, changes.changes.size()); ++c) {
            const Change& ch = changes.changes[c];
            html +=
                QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3 %4 → %5%6</td></tr>\n")
                    .arg(timeText(ch.time))
                    .arg(ch.sensor)
                    .arg(ch.measure == Measure::Battery ? QStringLiteral("battery")
                                                        : QStringLiteral("status"),
                         esc(ch.from), esc(ch.to),
                         ch.count > 1 ? QStringLiteral(" (%1 changes)").arg(ch.count) : QString());
        }
        if (changes.changes.size() > Listed) {
            html += QStringLiteral("<tr><td colspan=\"3\">and %1 more</td></tr>\n")
                        .arg(changes.changes.size() - Listed);
        }
        html += QStringLiteral("</table>\n");
    }
    html += QStringLiteral("</article>\n");
}

void addCount(Count& c, const QString& outcome) {
    ++c.runs;
    if (outcome == QLatin1String("pass")) {
        ++c.pass;
    } else if (outcome == QLatin1String("fail")) {
        ++c.fail;
    } else if (outcome == QLatin1String("aborted")) {
        ++c.aborted;
    } else {
        ++c.error;
    }
}

QString countCells(const Count& c) {
    return QStringLiteral("<td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td>")
        .arg(c.runs)
        .arg(c.pass)
        .arg(c.fail)
        .arg(c.error)
        .arg(c.aborted);
}

QString countTable(const QString& caption, const QString& what,
                   const std::map<QString, Count>& counts, const QString& none) {
    QString t = QStringLiteral("<table class=\"counts\"><caption>%1</caption>\n<tr><th>%2</th>"
                               "<th>Runs</th><th>Passed</th><th>Failed</th><th>Error</th>"
                               "<th>Aborted</th></tr>\n")
                    .arg(caption, what);
    for (const auto& [key, count] : counts) {
        t += QStringLiteral("<tr><td>%1</td>").arg(key.isEmpty() ? none : esc(key)) +
             countCells(count) + QStringLiteral("</tr>\n");
    }
    return t + QStringLiteral("</table>\n");
}

QString summaryHtml(const Summary& s) {
    QString h = QStringLiteral("<section id=\"summary\">\n<h2>Summary</h2>\n<p class=\"totals\">"
                               "<span id=\"runs\">%1</span> run%6: <span id=\"passed\">%2</span> "
                               "passed, <span id=\"failed\">%3</span> failed, "
                               "<span id=\"errors\">%4</span> with an error, "
                               "<span id=\"aborted\">%5</span> aborted.</p>\n")
                    .arg(s.all.runs)
                    .arg(s.all.pass)
                    .arg(s.all.fail)
                    .arg(s.all.error)
                    .arg(s.all.aborted)
                    .arg(s.all.runs == 1 ? "" : "s");
    h += countTable(QStringLiteral("Per station"), QStringLiteral("Station"), s.byStation,
                    QStringLiteral("(not known)"));
    h += countTable(QStringLiteral("Per day (UTC)"), QStringLiteral("Day"), s.byDay, {});
    if (!s.causes.empty()) {
        h += QStringLiteral("<table class=\"causes\"><caption>First failures</caption>\n"
                            "<tr><th>Cause</th><th>Runs</th></tr>\n");
        for (const auto& [cause, n] : s.causes) {
            h += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>\n").arg(esc(cause)).arg(n);
        }
        h += QStringLiteral("</table>\n");
    }
    return h + QStringLiteral("</section>\n");
}

QByteArray resource(const QString& name) {
    QFile file(QStringLiteral(":/report/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

LoadedLibrary loadPlotLibrary(const QString& folder) {
    PlotLibrary library;
    for (const auto& [name, bytes, end] :
         {std::tuple{"dygraph.min.js", &library.script, "</script"},
          std::tuple{"dygraph.min.css", &library.style, "</style"}}) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(name);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return {std::nullopt,
                    QStringLiteral("cannot read the plotting library %1 (%2): install Debian's "
                                   "libjs-dygraphs")
                        .arg(path, file.errorString())};
        }
        *bytes = file.readAll();
        // A source map would be looked for when the page is opened with developer tools.
        static const QRegularExpression sourceMap(
            QStringLiteral("\n[/][/*]# sourceMappingURL=[^\n]*"));
        *bytes = QString::fromUtf8(*bytes).remove(sourceMap).toUtf8();
        if (bytes->toLower().contains(end) || bytes->contains("<!--")) {
            return {std::nullopt,
                    QStringLiteral("the plotting library %1 holds '%2' and cannot stand inline")
                        .arg(path, QLatin1String(bytes->toLower().contains(end) ? end : "<!--"))};
        }
    }
    return {library, {}};
}

Summary summarize(const std::vector<Run>& runs) {
    Summary s;
    std::map<QString, int> causes;
    for (const Run& r : runs) {
        addCount(s.all, r.outcome);
        addCount(s.byStation[r.station], r.outcome);
        addCount(s.byDay[timeText(r.start, QStringLiteral("yyyy-MM-dd"))], r.outcome);
        if (r.outcome != QLatin1String("pass")) {
            ++causes[r.causeKind];
        }
    }
    s.causes.assign(causes.begin(), causes.end());
    std::stable_sort(s.causes.begin(), s.causes.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    return s;
}

QByteArray htmlReport(const std::vector<Run>& runs, const Options& options,
                      const PlotLibrary& library) {
    Page page(options);
    // Receivers by serial number, each with its runs in time order.
    std::map<QString, std::vector<const Run*>> receivers;
    for (const Run& r : runs) {
        receivers[r.serial].push_back(&r);
    }
    int index = 0;
    QString body;
    for (auto& [serial, ofReceiver] : receivers) {
        std::stable_sort(ofReceiver.begin(), ofReceiver.end(),
                         [](const Run* a, const Run* b) { return a->start < b->start; });
        body += QStringLiteral("<section class=\"receiver\">\n<h2>Receiver %1</h2>\n")
                    .arg(serial.isEmpty()
                             ? QStringLiteral("without a serial number")
                             : QStringLiteral("<span class=\"serial\">%1</span>").arg(esc(serial)));
        body += QStringLiteral("<table class=\"runs\"><tr><th>Start (UTC)</th><th>Station</th>"
                               "<th>Operator</th><th>DUT label</th><th>Cycles</th>"
                               "<th>Outcome</th><th>First failure</th></tr>\n");
        const int first = index;
        for (const Run* r : ofReceiver) {
            body += QStringLiteral("<tr><td><a href=\"#run-%1\">%2</a></td><td>%3</td><td>%4</td>"
                                   "<td>%5</td><td>%6</td><td>%7</td><td>%8</td></tr>\n")
                        .arg(index++)
                        .arg(timeText(r->start), esc(r->station), esc(r->operatorName),
                             esc(r->label), QString::number(r->cycles.size()),
                             outcomeBadge(r->outcome), esc(r->cause));
        }
        body += QStringLiteral("</table>\n");
        page.html.clear();
        for (std::size_t k = 0; k < ofReceiver.size(); ++k) {
            page.run(*ofReceiver[k], first + static_cast<int>(k));
        }
        body += page.html + QStringLiteral("</section>\n");
    }

    const QString pressureUnit = sensor::unitLabel(options.pressureUnit);
    const QString temperatureUnit = sensor::unitLabel(options.temperatureUnit);
    QByteArray data = "{\"colours\":[";
    for (const char* colour : SensorColours) {
        data += (data.endsWith('[') ? "\"" : ",\"") + QByteArray(colour) + '"';
    }
    data += "],\n\"runs\":[" + page.runs + "],\n\"plots\":[" + page.plots + "]}";

    QByteArray out;
    out.reserve(data.size() + library.script.size() + body.size() * 2 + 65536);
    out +=
        "<!DOCTYPE html>\n<html lang=\"en\" data-errors=\"0\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<meta name=\"generator\" content=\"Tyrescope\">\n<title>";
    out += esc(QStringLiteral("Tyrescope report: ") + options.source).toUtf8();
    out += "</title>\n<script>" + resource(QStringLiteral("errors.js")) + "</script>\n<style>\n" +
           library.style + "\n</style>\n<style>\n" + resource(QStringLiteral("page.css")) +
           "</style>\n</head>\n<body>\n<header>\n<h1>Tyrescope report</h1>\n<p>";
    out += esc(QStringLiteral("%1. Made %2 UTC. Pressures in %3, temperatures in %4, times in "
                              "UTC. Drag across a plot to zoom, double-click to zoom out.")
                   .arg(options.source, timeText(options.made.toMSecsSinceEpoch()), pressureUnit,
                        temperatureUnit))
               .toUtf8();
    out += "</p>\n</header>\n<main>\n" + summaryHtml(summarize(runs)).toUtf8() + body.toUtf8() +
           "</main>\n<script type=\"application/json\" id=\"report-data\">" + data +
           "</script>\n<script>\n" + library.script + "\n</script>\n<script>\n" +
           resource(QStringLiteral("page.js")) + "</script>\n</body>\n</html>\n";
    return out;
}

} // namespace report
