// SPDX-License-Identifier: MIT
#include "report/Run.h"

#include "verdict/Judge.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace report {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// The record's failure without its value, in verdict's words: "below min 30 PSI".
QString failureKind(const QJsonObject& first) {
    verdict::Judgement j;
    const QString bound = first[QLatin1String("bound")].toString();
    j.broken = bound == QLatin1String("min")       ? verdict::Bound::Min
               : bound == QLatin1String("max")     ? verdict::Bound::Max
               : bound == QLatin1String("allowed") ? verdict::Bound::Allowed
                                                   : verdict::Bound::None;
    const QJsonValue limit = first[QLatin1String("limit")];
    j.unit = first[QLatin1String("unit")].toString();
    if (limit.isDouble()) {
        // Only which kind of value it was counts for the words.
        j.number = sensor::ShownNumber(0, sensor::NumberPattern::Integer);
        (j.broken == verdict::Bound::Max ? j.max : j.min) = limit.toDouble();
    } else {
        j.minWord = limit.toString();
    }
    return verdict::failure(j, QStringLiteral("."), false);
}

QString causeKindOf(const QJsonObject& first) {
    const QJsonValue sensor = first[QLatin1String("sensor")];
    if (!sensor.isDouble()) {
        return first[QLatin1String("cause")].toString();
    }
    return QStringLiteral("sensor %1 %2 %3")
        .arg(sensor.toInt())
        .arg(first[QLatin1String("measure")].toString(), failureKind(first));
}

std::optional<qint64> timeOf(const QJsonValue& value) {
    const QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    return time.isValid() ? std::optional<qint64>(time.toMSecsSinceEpoch()) : std::nullopt;
}

// The cycles' times and bytes; an error text for the first that has none.
QString readCycles(const QJsonArray& cycles, Run& run) {
    run.cycles.reserve(static_cast<std::size_t>(cycles.size()));
    for (const QJsonValue& value : cycles) {
        const QJsonObject c = value.toObject();
        Cycle cycle;
        const std::optional<qint64> time = timeOf(c[QLatin1String("time")]);
        const int number = c[QLatin1String("cycle")].toInt();
        if (!time) {
            return QStringLiteral("cycle %1 has no time").arg(number);
        }
        cycle.time = *time;
        cycle.reached = c[QLatin1String("reached")].toBool();
        cycle.data.fill(sensor::SensorRecord::of(protocol::NoDataRecord));
        for (const QJsonValue& s : c[QLatin1String("sensors")].toArray()) {
            const int index = s[QLatin1String("sensor")].toInt() - 1;
            const QJsonValue raw = s[QLatin1String("raw")];
            if (index < 0 || index >= protocol::SensorCount || raw.isNull()) {
                continue;
            }
            const std::optional<sensor::SensorRecord> bytes =
                recordFromHex(raw.toString().toLatin1());
            if (!bytes) {
                return QStringLiteral("cycle %1 sensor %2: raw bytes '%3' are no record")
                    .arg(number)
                    .arg(index + 1)
                    .arg(raw.toString());
            }
            cycle.data[static_cast<std::size_t>(index)] = *bytes;
        }
        run.cycles.push_back(cycle);
    }
    return {};
}

} // namespace

std::optional<sensor::SensorRecord> recordFromHex(QByteArrayView hex) {
    std::array<std::uint8_t, 4> bytes{};
    std::size_t n = 0;
    for (qsizetype i = 0; i < hex.size();) {
        if (hex[i] == ' ' && n > 0) {
            ++i;
        }
        const int high = i + 1 < hex.size() ? hexDigit(hex[i]) : -1;
        const int low = high >= 0 ? hexDigit(hex[i + 1]) : -1;
        if (low < 0 || n == bytes.size()) {
            return std::nullopt;
        }
        bytes[n++] = static_cast<std::uint8_t>(high * 16 + low);
        i += 2;
    }
    if (n != bytes.size()) {
        return std::nullopt;
    }
    return sensor::SensorRecord{bytes[0], bytes[1], bytes[2], bytes[3]};
}

ReadRun runFromRecord(const QByteArray& json) {
    QJsonParseError parseError{};
    const QJsonObject o = QJsonDocument::fromJson(json, &parseError).object();
    if (parseError.error != QJsonParseError::NoError) {
        return {std::nullopt, QStringLiteral("not JSON: %1 at offset %2")
                                  .arg(parseError.errorString())
                                  .arg(parseError.offset)};
    }
    if (o[QLatin1String("format")] != QLatin1String("tyrescope-record/1")) {
        return {std::nullopt, QStringLiteral("not a record of the format tyrescope-record/1")};
    }
    Run run;
    const auto text = [&o](const char* key) { return o[QLatin1String(key)].toString(); };
    const QJsonObject dut = o[QLatin1String("dut")].toObject();
    run.runId = text("run_id");
    run.station = text("station");
    run.operatorName = text("operator");
    run.serial = dut[QLatin1String("serial")].toString();
    run.label = dut[QLatin1String("label")].toString();
    run.device = dut[QLatin1String("path")].toString();
    run.outcome = text("outcome");
    const std::optional<qint64> start = timeOf(o[QLatin1String("start")]);
    const std::optional<qint64> end = timeOf(o[QLatin1String("end")]);
    if (!start || !end) {
        return {std::nullopt, QStringLiteral("run %1 has no start or end").arg(run.runId)};
    }
    run.start = *start;
    run.end = *end;
    const QJsonObject first = o[QLatin1String("first_failure")].toObject();
    run.cause = first[QLatin1String("cause")].toString();
    run.causeKind = first.isEmpty() ? QString() : causeKindOf(first);

    const QJsonObject limits = o[QLatin1String("limits")].toObject();
    if (!limits.isEmpty()) {
        const verdict::ParsedLimits parsed =
            verdict::parseLimits(QJsonDocument(limits[QLatin1String("limits")].toObject()).toJson(),
                                 limits[QLatin1String("name")].toString());
        if (!parsed.limits) {
            return {std::nullopt,
                    QStringLiteral("run %1: its limits: %2").arg(run.runId, parsed.error)};
        }
        run.limits = parsed.limits;
    }
    if (const QString error = readCycles(o[QLatin1String("cycles")].toArray(), run);
        !error.isEmpty()) {
        return {std::nullopt, QStringLiteral("run %1: %2").arg(run.runId, error)};
    }
    return {std::move(run), {}};
}

} // namespace report
