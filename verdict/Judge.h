// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleResult.h"
#include "sensor/NumberFormat.h"
#include "verdict/Limits.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

// A cycle's values against their limits. A value is judged as the program
// shows it in the limit's unit, rounded as shown, so what an operator reads in
// that unit and what is judged never disagree.
namespace verdict {

// In the order causes are looked for within a sensor, and of cycle::CellMarks.
enum class Measure { Pressure, Temperature, Battery, Status };
inline constexpr std::array<Measure, 4> AllMeasures{Measure::Pressure, Measure::Temperature,
                                                    Measure::Battery, Measure::Status};
// "pressure", "temperature", "battery", "status".
QString measureName(Measure measure);

// The limit a failing value broke; None for a value that is not there.
enum class Bound { None, Min, Max, Allowed };
// "min", "max", "allowed"; "no data" for None.
QString boundName(Bound bound);

// One value against its limit.
struct Judgement {
    bool judged = false; // a limit applied and the value was there, or had to be
    bool pass = true;
    Bound broken = Bound::None; // of a value that failed
    // The value judged: a number in the limit's unit (pressure, temperature),
    // a word ("mid", "pressure alert"), or neither for no data.
    std::optional<sensor::ShownNumber> number;
    QString word;
    QString unit; // the limit's unit label, for numbers
    std::optional<double> min;
    std::optional<double> max;
    QString minWord;     // battery: the lowest class that passes
    QStringList allowed; // status: the names that pass

    // A limit applies to the value, judged or not.
    bool limited() const { return !unit.isEmpty() || !minWord.isEmpty() || !allowed.isEmpty(); }
};

// The value and why it failed, in the limit's unit: "270 KPa above max 260 KPa",
// "low below min mid", "pressure alert not allowed", "no data"; without the
// value for those who show it already ("above max 260 KPa"). Numbers take the
// decimal separator given.
QString failure(const Judgement& judgement, const QString& decimalSeparator, bool withValue = true);
// A limit's number as written, without trailing zeros: "2.8", "260".
QString limitText(double limit, const QString& decimalSeparator);

using SensorJudgements = std::array<Judgement, AllMeasures.size()>;
SensorJudgements judgeSensor(const sensor::SensorRecord& record, const SensorLimits& limits);

enum class Verdict { Pass, Fail, Error };
// "pass", "fail", "error".
QString verdictName(Verdict verdict);

struct ValueAt {
    int sensor = 1; // 1 to 5
    Measure measure = Measure::Pressure;
};

struct CycleVerdict {
    Verdict verdict = Verdict::Pass;
    QString cause; // one line; empty while the cycle passes
    std::array<SensorJudgements, protocol::SensorCount> values{};
    // The value that failed the cycle, first in sensor and measure order;
    // nothing when none did: a run with one has a value outside its limits.
    std::optional<ValueAt> firstFailure;

    const Judgement& at(ValueAt where) const;
    // A failure the limits do not see, such as a required sensor without data:
    // it decides a cycle nothing decided yet.
    void fail(const QString& why);
    // A cycle that did not do its work (another copy holds the receiver):
    // it decides the cycle whatever was found.
    void error(const QString& why);
};

// "sensor 3 pressure 270 KPa above max 260 KPa"; a cycle's cause is written
// with '.' as decimal separator.
QString causeOf(ValueAt where, const Judgement& judgement,
                const QString& decimalSeparator = QStringLiteral("."));

// A cycle that did not reach the receiver is an error, not a value outside
// limits; its values are not judged.
CycleVerdict judge(const cycle::CycleResult& cycle, const Limits& limits);

} // namespace verdict
