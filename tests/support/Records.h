// SPDX-License-Identifier: MIT
#pragma once

#include "record/RunRecord.h"
#include "tests/support/Limits.h"

#include <QByteArray>
#include <QDateTime>

// A finished run's record as --read writes it: one cycle per letter of kinds,
// 'p' passing, 'f' with sensor 1 at 29 PSI below its limit of 30, 'e' without
// a receiver.
inline QByteArray recordOf(const QString& serial, const QString& station, const QDateTime& start,
                           const QString& kinds = QStringLiteral("p")) {
    record::RunFacts facts{"1.4.0", station, "ana", "LBL-7", {}, {}};
    facts.limits = verdict::LimitsFile{limitsOf("{'sensors':{'1':{'pressure':{'min':30,"
                                                "'unit':'psi'}}}}"),
                                       QStringLiteral("ab12")};
    record::RunRecord run(facts, start);
    for (qsizetype n = 0; n < kinds.size(); ++n) {
        cycle::CycleResult c;
        c.time = start.addSecs(5 * n);
        c.opened = c.reached = kinds[n] != QLatin1Char('e');
        c.devicePath = c.opened ? QStringLiteral("/dev/hidraw3") : QString();
        c.deviceSerial = c.opened ? serial : QString();
        c.data = recordsOf(kinds[n] == QLatin1Char('f') ? "78 41 50 01" : "A0 41 50 01");
        run.addCycle(c, verdict::judge(c, facts.limits->limits));
    }
    run.finish(kinds.contains(QLatin1Char('e')) ? 1 : 0, record::RunEnd::Completed, {},
               start.addSecs(10));
    return run.json();
}
