// SPDX-License-Identifier: MIT
#include "record/RunRecord.h"

#include "record/Json.h"
#include "sensor/PanelView.h"

#include <QJsonArray>
#include <QSysInfo>
#include <QUuid>

namespace record {

namespace {

using verdict::Judgement;
using verdict::Measure;

QString isoTime(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

Json numberOrNull(const std::optional<double>& number) {
    return number ? Json(*number) : Json();
}

Json shownOrNull(const std::optional<sensor::ShownNumber>& number) {
    return number ? Json(number->value()) : Json();
}

Json verdictOf(const Judgement& j) {
    return j.judged ? Json(verdict::verdictName(j.pass ? verdict::Verdict::Pass
                                                       : verdict::Verdict::Fail))
                    : Json();
}

// In the run's unit; beside it what was judged when the limit is in another.
Json numberMeasurement(Measure measure, const std::optional<sensor::ShownNumber>& value,
                       const QString& unit, const Judgement& j) {
    Json m = Json::object();
    m.add("measure", verdict::measureName(measure))
        .add("value", shownOrNull(value))
        .add("unit", unit)
        .add("text", value ? Json(value->text(QStringLiteral("."))) : Json());
    if (j.limited() && j.unit != unit) {
        m.add("judged", Json::object().add("value", shownOrNull(j.number)).add("unit", j.unit));
    }
    return m.add("min", numberOrNull(j.min))
        .add("max", numberOrNull(j.max))
        .add("verdict", verdictOf(j));
}

Json sensorJson(int sensor, const cycle::CycleResult& cycle, const sensor::UnitState& units,
                const verdict::SensorJudgements& judged) {
    const sensor::SensorRecord& r = cycle.data[static_cast<std::size_t>(sensor - 1)];
    const auto raw = [&cycle](std::uint8_t byte) { return cycle.reached ? Json(byte) : Json(); };
    const Judgement& battery = judged[static_cast<std::size_t>(Measure::Battery)];
    const Judgement& status = judged[static_cast<std::size_t>(Measure::Status)];
    Json measurements = Json::array();
    measurements
        .append(numberMeasurement(Measure::Pressure, units.pressure(r.pressure),
                                  units.PressureUnitLabel(), judged[0]))
        .append(numberMeasurement(Measure::Temperature, units.temperature(r.temperature),
                                  units.TemperatureUnitLabel(), judged[1]))
        .append(Json::object()
                    .add("measure", "battery")
                    .add("value", sensor::batteryName(sensor::batteryClass(r.battery)))
                    .add("raw", raw(r.battery))
                    .add("min", textOrNull(battery.minWord))
                    .add("verdict", verdictOf(battery)))
        .append(Json::object()
                    .add("measure", "status")
                    .add("value", verdict::statusWord(r.status))
                    .add("raw", raw(r.status))
                    .add("allowed", status.limited()
                                        ? Json(QJsonArray::fromStringList(status.allowed))
                                        : Json())
                    .add("verdict", verdictOf(status)));
    return Json::object()
        .add("sensor", sensor)
        .add("raw", cycle.reached ? Json(sensor::hexBytes(r, true)) : Json())
        .add("measurements", measurements);
}

// The limit a failing value broke, in the words of its limits file.
Json brokenLimit(const Judgement& j) {
    switch (j.broken) {
    case verdict::Bound::Min:
        return j.min ? Json(*j.min) : Json(j.minWord);
    case verdict::Bound::Max:
        return numberOrNull(j.max);
    case verdict::Bound::Allowed:
        return Json(QJsonArray::fromStringList(j.allowed));
    case verdict::Bound::None:
        break;
    }
    return {};
}

} // namespace

QString defaultStation() {
    return QSysInfo::machineHostName();
}

RunRecord::RunRecord(RunFacts facts, QDateTime start)
    : facts_(std::move(facts)), runId_(QUuid::createUuid().toString(QUuid::WithoutBraces)),
      start_(std::move(start)), end_(start_) {}

void RunRecord::addCycle(const cycle::CycleResult& cycle, const verdict::CycleVerdict& verdict) {
    cycles_.push_back({cycle, verdict});
}

void RunRecord::finish(int exitStatus, RunEnd end, const QString& why, QDateTime at) {
    exitStatus_ = exitStatus;
    how_ = end;
    why_ = why;
    end_ = std::move(at);
}

const RunRecord::Cycle* RunRecord::firstFailing() const {
    for (const Cycle& c : cycles_) {
        if (c.verdict.verdict != verdict::Verdict::Pass) {
            return &c;
        }
    }
    return nullptr;
}

const cycle::CycleResult* RunRecord::receiver() const {
    for (const Cycle& c : cycles_) {
        if (c.result.opened) {
            return &c.result;
        }
    }
    return nullptr;
}

QString RunRecord::outcome() const {
    if (how_ == RunEnd::Aborted) {
        return QStringLiteral("aborted");
    }
    const auto any = [this](verdict::Verdict v) {
        return std::any_of(cycles_.begin(), cycles_.end(),
                           [v](const Cycle& c) { return c.verdict.verdict == v; });
    };
    if (how_ == RunEnd::OutputFailed || cycles_.empty() || any(verdict::Verdict::Error)) {
        return QStringLiteral("error");
    }
    return any(verdict::Verdict::Fail) ? QStringLiteral("fail") : QStringLiteral("pass");
}

QByteArray RunRecord::json() const {
    const cycle::CycleResult* dut = receiver();
    Json cycles = Json::array();
    for (std::size_t n = 0; n < cycles_.size(); ++n) {
        const Cycle& c = cycles_[n];
        Json sensors = Json::array();
        for (int s = 1; s <= protocol::SensorCount; ++s) {
            sensors.append(sensorJson(s, c.result, facts_.units,
                                      c.verdict.values[static_cast<std::size_t>(s - 1)]));
        }
        cycles.append(Json::object()
                          .add("cycle", static_cast<int>(n + 1))
                          .add("time", isoTime(c.result.time))
                          .add("reached", c.result.reached)
                          .add("verdict", verdict::verdictName(c.verdict.verdict))
                          .add("cause", textOrNull(c.verdict.cause))
                          .add("sensors", sensors));
    }

    // A cause that is no single value's: the receiver, a required sensor, the run's end.
    const auto notAValue = [](const Json& cycle, const QString& cause) {
        Json f = Json::object().add("cycle", cycle);
        for (const char* key : {"sensor", "measure", "value", "unit", "bound", "limit"}) {
            f.add(QLatin1String(key), Json());
        }
        return f.add("cause", cause);
    };
    Json first;
    const Cycle* failing = firstFailing();
    const int failingNumber = failing ? static_cast<int>(failing - cycles_.data() + 1) : 0;
    if (failing && failing->verdict.firstFailure) {
        const verdict::CycleVerdict& v = failing->verdict;
        const Judgement& j = v.at(*v.firstFailure);
        first =
            Json::object()
                .add("cycle", failingNumber)
                .add("sensor", v.firstFailure->sensor)
                .add("measure", verdict::measureName(v.firstFailure->measure))
                .add("value", j.number ? Json(j.number->value()) : textOrNull(j.word))
                .add("unit", textOrNull(j.unit))
                .add("bound",
                     j.broken == verdict::Bound::None ? Json() : Json(verdict::boundName(j.broken)))
                .add("limit", brokenLimit(j))
                .add("cause", v.cause);
    } else if (failing) {
        first = notAValue(failingNumber, failing->verdict.cause);
    } else if (!why_.isEmpty()) {
        first = notAValue(cycles_.empty() ? Json() : Json(static_cast<int>(cycles_.size())), why_);
    }

    Json limits;
    if (facts_.limits) {
        limits = Json::object()
                     .add("name", facts_.limits->limits.name)
                     .add("sha256", facts_.limits->sha256)
                     .add("limits", Json(QJsonValue(facts_.limits->limits.source)));
    }
    return Json::object()
        .add("format", "tyrescope-record/1")
        .add("run_id", runId_)
        .add("tool", "tyrescope")
        .add("version", facts_.version)
        .add("station", facts_.station)
        .add("operator", textOrNull(facts_.operatorName))
        .add("dut", Json::object()
                        .add("serial", dut ? textOrNull(dut->deviceSerial) : Json())
                        .add("label", textOrNull(facts_.dutLabel))
                        .add("path", dut ? textOrNull(dut->devicePath) : Json()))
        .add("start", isoTime(start_))
        .add("end", isoTime(end_))
        .add("units", Json::object()
                          .add("pressure", facts_.units.PressureUnitLabel())
                          .add("temperature", facts_.units.TemperatureUnitLabel()))
        .add("limits", limits)
        .add("cycles", cycles)
        .add("outcome", outcome())
        .add("exit_status", exitStatus_)
        .add("first_failure", first)
        .text();
}

} // namespace record
