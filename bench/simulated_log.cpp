// SPDX-License-Identifier: MIT
// A CSV log of the simulated receiver as `tyrescope --read --simulate --log`
// writes it, over any stretch of time at once: the simulation's scripted
// minute is stepped to each cycle's time instead of lived through, and each
// cycle is the program's own acquisition over the emulated receiver, written
// by the program's own CSV writer. For the report's benchmark (a week of one
// bench) and its pictures (half an hour).
//
//   bench_simulated_log CYCLES [INTERVAL_SECONDS [START]] > log.csv
//   (defaults: 5 s, START 2026-12-01T08:00:00Z)
#include "cycle/Acquisition.h"
#include "cycle/CycleOutput.h"
#include "hid/EmulatedBackend.h"
#include "hid/ModHIDCom.h"
#include "hid/Simulation.h"

#include <QCoreApplication>
#include <QDateTime>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    bool ok = args.size() >= 2 && args.size() <= 4;
    const long long cycles = ok ? args[1].toLongLong(&ok) : 0;
    const double interval = ok && args.size() > 2 ? args[2].toDouble(&ok) : 5.0;
    const QDateTime start = QDateTime::fromString(
        args.size() > 3 ? args[3] : QStringLiteral("2026-12-01T08:00:00Z"), Qt::ISODate);
    if (!ok || cycles < 1 || !(interval > 0) || !start.isValid()) {
        std::fprintf(stderr, "usage: bench_simulated_log CYCLES [INTERVAL_SECONDS [START]]\n");
        return 2;
    }
    hid::EmulatedBackend backend;
    simulation::Simulation scenario(backend.addReceiver());
    ModHIDCom hid(backend);
    const sensor::UnitState units;
    QByteArray out = cycle::csvHeader();
    for (long long k = 0; k < cycles; ++k) {
        const auto elapsed = std::chrono::milliseconds(std::llround(k * interval * 1000));
        scenario.advanceTo(elapsed);
        cycle::CycleResult result = cycle::acquire(hid);
        result.time = start.addMSecs(elapsed.count());
        out += cycle::csvRows(result, units);
        if (out.size() > (1 << 20) || k + 1 == cycles) {
            if (std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout) !=
                std::size_t(out.size())) {
                return 6;
            }
            out.clear();
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 6;
}
