// SPDX-License-Identifier: MIT
#include "store/History.h"

#include "cycle/TerminalText.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <array>

namespace store {

namespace {

constexpr std::size_t Columns = 6;

std::array<QString, Columns> fields(const RunSummary& run) {
    return {run.runId, run.start, run.station, run.serial, run.outcome, run.cause};
}

QByteArray table(const std::vector<RunSummary>& runs) {
    std::vector<std::array<QString, Columns>> rows{
        {"Run", "Start (UTC)", "Station", "Serial", "Outcome", "Cause"}};
    for (const RunSummary& run : runs) {
        std::array<QString, Columns> row = fields(run);
        for (QString& cell : row) {
            cell = cell.isEmpty() ? QStringLiteral("-")
                                  : QString::fromStdString(printableText(cell.toStdString()));
        }
        rows.push_back(row);
    }
    std::array<qsizetype, Columns> width{};
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < Columns; ++c) {
            width[c] = std::max(width[c], row[c].size());
        }
    }
    QString text;
    for (const auto& row : rows) {
        for (std::size_t c = 0; c + 1 < Columns; ++c) {
            text += row[c].leftJustified(width[c] + 2);
        }
        text += row[Columns - 1] + QLatin1Char('\n');
    }
    return text.toUtf8();
}

} // namespace

QByteArray historyOutput(cycle::OutputFormat format, const std::vector<RunSummary>& runs) {
    QByteArray out;
    switch (format) {
    case cycle::OutputFormat::Text:
        return table(runs);
    case cycle::OutputFormat::Csv:
        out = cycle::csvLine({"run_id", "start", "station", "serial", "outcome", "cause"});
        for (const RunSummary& run : runs) {
            const auto f = fields(run);
            out += cycle::csvLine(QStringList(f.begin(), f.end()));
        }
        return out;
    case cycle::OutputFormat::Json:
        for (const RunSummary& run : runs) {
            const QJsonObject object{
                {"run_id", run.runId},    {"start", run.start},
                {"station", run.station}, {"serial", cycle::textOrNull(run.serial)},
                {"outcome", run.outcome}, {"cause", cycle::textOrNull(run.cause)}};
            out += QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
        }
        return out;
    }
    return out;
}

} // namespace store
