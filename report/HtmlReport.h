// SPDX-License-Identifier: MIT
#pragma once

#include "report/Run.h"
#include "sensor/Units.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <map>
#include <optional>
#include <utility>
#include <vector>

// One HTML file that shows runs to a person: a summary, each receiver's runs,
// and every run's pressures and temperatures over time, drawn by the plotting
// library Debian installs (libjs-dygraphs), which the file carries inline with
// its data, so that it opens without a network and prints on A4.
namespace report {

// Where Debian's libjs-dygraphs installs it.
inline constexpr char PlotLibraryFolder[] = "/usr/share/javascript/dygraphs";

struct PlotLibrary {
    QByteArray script;
    QByteArray style;
};
struct LoadedLibrary {
    std::optional<PlotLibrary> library;
    QString error; // one line: which file is missing or cannot be inlined
};
LoadedLibrary loadPlotLibrary(const QString& folder = QLatin1String(PlotLibraryFolder));

// Runs by outcome.
struct Count {
    int runs = 0;
    int pass = 0;
    int fail = 0;
    int error = 0;
    int aborted = 0;
    friend bool operator==(const Count&, const Count&) = default;
};
struct Summary {
    Count all;
    std::map<QString, Count> byStation; // "" for runs without one (a log's)
    std::map<QString, Count> byDay;     // the day a run started, UTC: "2026-12-08"
    // The first failures of the runs that did not pass, alike ones counted
    // together (Run::causeKind), the most frequent first.
    std::vector<std::pair<QString, int>> causes;
};
Summary summarize(const std::vector<Run>& runs);

struct Options {
    sensor::PressureUnit pressureUnit = sensor::PressureUnit::KPa;
    sensor::TemperatureUnit temperatureUnit = sensor::TemperatureUnit::Celsius;
    QString source; // what the runs come from, for the heading: "log bench.csv"
    QDateTime made = QDateTime::currentDateTimeUtc();
    // Per plot, the spans of time a run's cycles are reduced to (sensorSeries);
    // a zoomed plot draws from eight times as many.
    int buckets = 1000;
};

QByteArray htmlReport(const std::vector<Run>& runs, const Options& options,
                      const PlotLibrary& library);

// The sensors' line colours, sensor 1 first, as the page writes them.
inline constexpr const char* SensorColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd",
                                                "#ff7f0e"};

} // namespace report
