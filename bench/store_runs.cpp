// SPDX-License-Identifier: MIT
// Fills a results store with runs for scripts/bench to ask: COUNT runs of
// one cycle each, as --read records them, of 20,000 receivers (TPMS-00000 ...)
// at ten stations over a year; TPMS-00042 among them, tested at several.
//   bench_store_runs TARGET COUNT
#include "cycle/CycleResult.h"
#include "record/RunRecord.h"
#include "store/ResultStore.h"
#include "verdict/Judge.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    QString error;
    const std::optional<store::Target> target =
        args.size() == 3 ? store::parseTarget(args[1], error) : std::nullopt;
    const int count = args.value(2).toInt();
    if (!target || count <= 0) {
        std::fprintf(stderr, "usage: bench_store_runs TARGET COUNT\n");
        return 2;
    }
    const auto limits = verdict::parseLimits(
        R"({"name": "bench", "pressure": {"min": 180, "max": 260, "unit": "kpa"}})", "bench");
    store::ResultStore results(*target);
    if (error = results.open(); !error.isEmpty()) {
        std::fprintf(stderr, "bench_store_runs: %s\n", qPrintable(error));
        return 1;
    }
    const QDateTime first(QDate(2026, 1, 1), QTime(6, 0), Qt::UTC);
    constexpr int Batch = 2000;
    QList<QByteArray> batch;
    for (int n = 0; n < count; ++n) {
        const QDateTime start = first.addSecs(qint64(n) * 365 * 86400 / count);
        record::RunFacts facts{"1.4.0", QStringLiteral("bench-%1").arg(n / 7 % 10 + 1), "ana", {},
                               {},      verdict::LimitsFile{*limits.limits, "ab12"}};
        record::RunRecord run(facts, start);
        cycle::CycleResult c;
        c.time = start.addSecs(1);
        c.opened = c.reached = true;
        c.devicePath = QStringLiteral("/dev/hidraw3");
        c.deviceSerial = QStringLiteral("TPMS-%1").arg(n % 20000, 5, 10, QLatin1Char('0'));
        for (std::size_t s = 0; s < c.data.size(); ++s) {
            // 200 to 270 KPa: now and then above the limit.
            c.data[s] = sensor::SensorRecord::of(
                {std::uint8_t(0x78 + (n + int(s)) % 40), 0x41, 0x50, 0x01});
        }
        run.addCycle(c, verdict::judge(c, *limits.limits));
        run.finish(0, record::RunEnd::Completed, {}, start.addSecs(2));
        batch << run.json();
        if (batch.size() == Batch || n + 1 == count) {
            if (error = results.put(batch); !error.isEmpty()) {
                std::fprintf(stderr, "bench_store_runs: %s\n", qPrintable(error));
                return 1;
            }
            batch.clear();
        }
    }
    return 0;
}
