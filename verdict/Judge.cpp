// SPDX-License-Identifier: MIT
#include "verdict/Judge.h"

#include <QLocale>

namespace verdict {

namespace {

using sensor::ShownNumber;

// Bounds and number as shown, or no data; an optional sensor's missing value
// is left unjudged.
template <typename Unit>
Judgement judgeNumber(const std::optional<Range<Unit>>& range, std::uint8_t byte,
                      std::optional<ShownNumber> (*in)(std::uint8_t, Unit), bool optional) {
    Judgement j;
    if (!range) {
        return j;
    }
    const std::optional<ShownNumber> shown = in(byte, range->unit);
    j.unit = sensor::unitLabel(range->unit);
    j.min = range->min;
    j.max = range->max;
    j.number = shown;
    j.judged = shown || !optional;
    if (!shown) {
        j.pass = optional;
    } else if (range->min && shown->value() < *range->min) {
        j.pass = false;
        j.broken = Bound::Min;
    } else if (range->max && shown->value() > *range->max) {
        j.pass = false;
        j.broken = Bound::Max;
    }
    return j;
}

// The value as a failure names it: "270 KPa", "low", "pressure alert".
QString valueText(const Judgement& j, const QString& decimalSeparator) {
    return j.number ? j.number->text(decimalSeparator) + QLatin1Char(' ') + j.unit : j.word;
}

} // namespace

QString measureName(Measure measure) {
    switch (measure) {
    case Measure::Temperature:
        return QStringLiteral("temperature");
    case Measure::Battery:
        return QStringLiteral("battery");
    case Measure::Status:
        return QStringLiteral("status");
    case Measure::Pressure:
        break;
    }
    return QStringLiteral("pressure");
}

QString boundName(Bound bound) {
    switch (bound) {
    case Bound::Min:
        return QStringLiteral("min");
    case Bound::Max:
        return QStringLiteral("max");
    case Bound::Allowed:
        return QStringLiteral("allowed");
    case Bound::None:
        break;
    }
    return QStringLiteral("no data");
}

QString verdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::Fail:
        return QStringLiteral("fail");
    case Verdict::Error:
        return QStringLiteral("error");
    case Verdict::Pass:
        break;
    }
    return QStringLiteral("pass");
}

QString limitText(double limit, const QString& decimalSeparator) {
    // + 0.0 turns a negative zero into zero.
    return QString::number(limit + 0.0, 'f', QLocale::FloatingPointShortest)
        .replace(QLatin1Char('.'), decimalSeparator);
}

QString failure(const Judgement& j, const QString& decimalSeparator, bool withValue) {
    const QString value = withValue ? valueText(j, decimalSeparator) + QLatin1Char(' ') : QString();
    const auto limit = [&](const std::optional<double>& bound) {
        return j.number ? limitText(*bound, decimalSeparator) + QLatin1Char(' ') + j.unit
                        : j.minWord;
    };
    switch (j.broken) {
    case Bound::Min:
        return value + QStringLiteral("below min ") + limit(j.min);
    case Bound::Max:
        return value + QStringLiteral("above max ") + limit(j.max);
    case Bound::Allowed:
        return value + QStringLiteral("not allowed");
    case Bound::None:
        break;
    }
    return QStringLiteral("no data");
}

SensorJudgements judgeSensor(const sensor::SensorRecord& record, const SensorLimits& limits) {
    SensorJudgements judged;
    judged[0] = judgeNumber(limits.pressure, record.pressure, sensor::pressureIn, limits.optional);
    judged[1] =
        judgeNumber(limits.temperature, record.temperature, sensor::temperatureIn, limits.optional);

    const sensor::BatteryClass battery = sensor::batteryClass(record.battery);
    if (limits.battery) {
        Judgement& j = judged[2];
        j.minWord = sensor::batteryName(*limits.battery);
        const bool there = battery != sensor::BatteryClass::None;
        j.judged = there || !limits.optional;
        j.pass = there ? battery >= *limits.battery : limits.optional;
        j.word = there ? sensor::batteryName(battery) : QString();
        j.broken = there && !j.pass ? Bound::Min : Bound::None;
    }
    if (limits.status) {
        Judgement& j = judged[3];
        for (const std::uint8_t code : *limits.status) {
            j.allowed << statusWord(code);
        }
        const bool there = record.status != protocol::NoData;
        j.judged = there || !limits.optional;
        j.pass = there ? limits.status->contains(record.status) : limits.optional;
        j.word = there ? statusWord(record.status) : QString();
        j.broken = there && !j.pass ? Bound::Allowed : Bound::None;
    }
    return judged;
}

const Judgement& CycleVerdict::at(ValueAt where) const {
    return values[static_cast<std::size_t>(where.sensor - 1)]
                 [static_cast<std::size_t>(where.measure)];
}

void CycleVerdict::fail(const QString& why) {
    if (verdict == Verdict::Pass) {
        verdict = Verdict::Fail;
        cause = why;
    }
}

void CycleVerdict::error(const QString& why) {
    verdict = Verdict::Error;
    cause = why;
    firstFailure.reset();
}

QString causeOf(ValueAt where, const Judgement& judgement, const QString& decimalSeparator) {
    return QStringLiteral("sensor %1 %2 %3")
        .arg(where.sensor)
        .arg(measureName(where.measure), failure(judgement, decimalSeparator));
}

CycleVerdict judge(const cycle::CycleResult& cycle, const Limits& limits) {
    CycleVerdict v;
    for (int i = 0; i < protocol::SensorCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        v.values[k] = judgeSensor(cycle.data[k], limits.sensors[k]);
        if (!cycle.reached) {
            // The limits still say what would have applied.
            for (Judgement& j : v.values[k]) {
                j.judged = false;
                j.pass = true;
                j.broken = Bound::None;
            }
            continue;
        }
        for (const Measure measure : AllMeasures) {
            const ValueAt where{i + 1, measure};
            if (!v.firstFailure && !v.at(where).pass) {
                v.firstFailure = where;
                v.fail(causeOf(where, v.at(where)));
            }
        }
    }
    if (!cycle.reached) {
        v.error(cycle.opened
                    ? QStringLiteral("receiver at %1 lost during the cycle").arg(cycle.devicePath)
                    : QStringLiteral("receiver not found"));
    }
    return v;
}

} // namespace verdict
