// SPDX-License-Identifier: MIT
#include "verdict/VerdictOutput.h"

#include "cycle/CycleOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace verdict {

namespace {

QJsonValue orNull(const std::optional<double>& number) {
    return number ? QJsonValue(*number) : QJsonValue();
}

QJsonValue orNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonObject limitsObject(const SensorJudgements& judged) {
    QJsonObject limits;
    for (const Measure measure : AllMeasures) {
        const Judgement& j = judged[static_cast<std::size_t>(measure)];
        if (!j.limited()) {
            continue;
        }
        QJsonObject value{
            {QStringLiteral("verdict"),
             j.judged ? QJsonValue(verdictName(j.pass ? Verdict::Pass : Verdict::Fail))
                      : QJsonValue()},
        };
        if (measure == Measure::Pressure || measure == Measure::Temperature) {
            value.insert(QStringLiteral("value"),
                         j.number ? QJsonValue(j.number->value()) : QJsonValue());
            value.insert(QStringLiteral("unit"), j.unit);
            value.insert(QStringLiteral("min"), orNull(j.min));
            value.insert(QStringLiteral("max"), orNull(j.max));
        } else {
            value.insert(QStringLiteral("value"), orNull(j.word));
            if (measure == Measure::Battery) {
                value.insert(QStringLiteral("min"), j.minWord);
            } else {
                value.insert(QStringLiteral("allowed"), QJsonArray::fromStringList(j.allowed));
            }
        }
        limits.insert(measureName(measure), value);
    }
    return limits;
}

} // namespace

QByteArray jsonLine(const cycle::CycleResult& cycle, const sensor::UnitState& units,
                    const CycleVerdict& verdict) {
    QJsonObject object = cycle::jsonObject(cycle, units);
    QJsonArray sensors = object.value(QStringLiteral("sensors")).toArray();
    for (qsizetype i = 0; i < sensors.size() && i < protocol::SensorCount; ++i) {
        const QJsonObject limits = limitsObject(verdict.values[static_cast<std::size_t>(i)]);
        if (!limits.isEmpty()) {
            QJsonObject sensor = sensors[i].toObject();
            sensor.insert(QStringLiteral("limits"), limits);
            sensors[i] = sensor;
        }
    }
    object.insert(QStringLiteral("sensors"), sensors);
    object.insert(QStringLiteral("verdict"), verdictName(verdict.verdict));
    object.insert(QStringLiteral("cause"), orNull(verdict.cause));
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QString mark(const Judgement& judgement, const QString& shownUnit,
             const QString& decimalSeparator) {
    if (!judgement.judged) {
        return {};
    }
    const bool withValue = judgement.number && judgement.unit != shownUnit;
    return judgement.pass
               ? QStringLiteral("[ok]")
               : QStringLiteral("[FAIL: %1]").arg(failure(judgement, decimalSeparator, withValue));
}

QString textTable(const cycle::CycleResult& cycle, const sensor::UnitState& units,
                  const CycleVerdict& verdict) {
    // Battery classes and status names stand in their cells already.
    const QString shown[] = {units.PressureUnitLabel(), units.TemperatureUnitLabel(), {}, {}};
    cycle::CellMarks marks;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        for (std::size_t m = 0; m < AllMeasures.size(); ++m) {
            marks[i][m] = mark(verdict.values[i][m], shown[m], QLocale().decimalPoint());
        }
    }
    const QString verdictWord =
        verdict.verdict == Verdict::Fail ? QStringLiteral("FAIL") : verdictName(verdict.verdict);
    // Numbers as the table writes them.
    const QString cause = verdict.firstFailure
                              ? causeOf(*verdict.firstFailure, verdict.at(*verdict.firstFailure),
                                        QLocale().decimalPoint())
                              : verdict.cause;
    return cycle::textTable(cycle, units, marks) + QStringLiteral("Verdict: ") + verdictWord +
           (cause.isEmpty() ? QString() : QStringLiteral(": ") + cause) + QLatin1Char('\n');
}

QByteArray outputCycle(cycle::OutputFormat format, const cycle::CycleResult& cycle,
                       const sensor::UnitState& units, const CycleVerdict& verdict, bool first) {
    switch (format) {
    case cycle::OutputFormat::Text:
        return (first ? "" : "\n") + textTable(cycle, units, verdict).toLocal8Bit();
    case cycle::OutputFormat::Csv:
        return cycle::csvRows(cycle, units);
    case cycle::OutputFormat::Json:
        return jsonLine(cycle, units, verdict);
    }
    return {};
}

} // namespace verdict
