// SPDX-License-Identifier: MIT
#pragma once

#include "cycle/CycleOutput.h"
#include "cycle/CycleResult.h"
#include "sensor/Units.h"
#include "verdict/Judge.h"

#include <QByteArray>
#include <QString>

// --read's cycle formats with the verdicts of limits. The CSV rows and the
// log are measurement logs and stay as they are.
namespace verdict {

// The JSON line of cycle::jsonLine, with a "limits" object per sensor naming
// each judged value in its limit's unit (value, unit, min, max, verdict) and
// the cycle's "verdict" and "cause".
QByteArray jsonLine(const cycle::CycleResult& cycle, const sensor::UnitState& units,
                    const CycleVerdict& verdict);

// "[ok]" or "[FAIL: above max 260 KPa]" beside a value shown in shownUnit:
// reads without colour. A value judged in another unit is named in that unit
// ("[FAIL: 39.2 PSI above max 37.7 PSI]").
QString mark(const Judgement& judgement, const QString& shownUnit, const QString& decimalSeparator);

// The table of cycle::textTable with a mark beside each judged value, and a
// last line with the cycle's verdict.
QString textTable(const cycle::CycleResult& cycle, const sensor::UnitState& units,
                  const CycleVerdict& verdict);

// One cycle in the format, as cycle::outputCycle writes it, with the verdicts.
QByteArray outputCycle(cycle::OutputFormat format, const cycle::CycleResult& cycle,
                       const sensor::UnitState& units, const CycleVerdict& verdict, bool first);

} // namespace verdict
