// SPDX-License-Identifier: MIT
#include "report/Series.h"

#include <algorithm>

namespace report {

namespace {

using verdict::Measure;

int byteOf(const Cycle& cycle, std::size_t sensor, Measure measure) {
    const sensor::SensorRecord& r = cycle.data[sensor];
    const std::uint8_t byte = measure == Measure::Pressure ? r.pressure : r.temperature;
    return !cycle.reached || byte == protocol::NoData ? Point::Gap : byte;
}

void add(std::vector<Point>& series, Point point) {
    if (point.byte != Point::Gap || series.empty() || series.back().byte != Point::Gap) {
        series.push_back(point);
    }
}

// The span of the run's time each cycle falls in, when spans are wanted at all.
class Spans {
public:
    Spans(const std::vector<Cycle>& cycles, int buckets) {
        if (cycles.size() > 2 * static_cast<std::size_t>(std::max(buckets, 1))) {
            start_ = cycles.front().time;
            width_ = std::max<qint64>(1, (cycles.back().time - start_) / buckets + 1);
        }
    }
    bool reducing() const { return width_ > 0; }
    qint64 of(qint64 time) const { return (time - start_) / width_; }
    // Where the span of a time begins.
    qint64 from(qint64 time) const { return start_ + of(time) * width_; }
    qint64 width() const { return width_; }

private:
    qint64 start_ = 0;
    qint64 width_ = 0;
};

QString batteryWord(std::uint8_t byte) {
    return sensor::batteryName(sensor::batteryClass(byte));
}

QString statusWord(std::uint8_t byte) {
    return byte == protocol::NoData ? QStringLiteral("none") : verdict::statusWord(byte);
}

} // namespace

SensorSeries sensorSeries(const std::vector<Cycle>& cycles, Measure measure, int buckets) {
    SensorSeries out;
    const Spans spans(cycles, buckets);
    for (std::size_t s = 0; s < out.size(); ++s) {
        std::vector<Point>& series = out[s];
        const auto point = [&](std::size_t k) {
            return Point{cycles[k].time, byteOf(cycles[k], s, measure)};
        };
        if (!spans.reducing()) {
            for (std::size_t k = 0; k < cycles.size(); ++k) {
                add(series, point(k));
            }
            continue;
        }
        constexpr std::size_t None = SIZE_MAX;
        for (std::size_t i = 0; i < cycles.size();) {
            std::size_t low = None, high = None, firstGap = None, lastGap = None;
            std::size_t j = i;
            for (; j < cycles.size() && spans.of(cycles[j].time) == spans.of(cycles[i].time); ++j) {
                // The bytes rise with the values they stand for, in every unit.
                const int byte = byteOf(cycles[j], s, measure);
                if (byte == Point::Gap) {
                    firstGap = std::min(firstGap, j);
                    lastGap = j;
                } else {
                    low = low == None || byte < point(low).byte ? j : low;
                    high = high == None || byte > point(high).byte ? j : high;
                }
            }
            std::array<std::size_t, 4> kept{low, high, firstGap, lastGap};
            std::sort(kept.begin(), kept.end());
            for (std::size_t n = 0; n < kept.size() && kept[n] != None; ++n) {
                if (n == 0 || kept[n] != kept[n - 1]) {
                    add(series, point(kept[n]));
                }
            }
            i = j;
        }
    }
    return out;
}

std::vector<Lost> lostSpans(const std::vector<Cycle>& cycles, int buckets) {
    std::vector<Lost> out;
    const Spans spans(cycles, buckets);
    for (std::size_t k = 0; k < cycles.size(); ++k) {
        if (spans.reducing()) {
            std::size_t j = k;
            int lost = 0;
            for (; j < cycles.size() && spans.of(cycles[j].time) == spans.of(cycles[k].time); ++j) {
                lost += cycles[j].reached ? 0 : 1;
            }
            if (lost > 0) {
                out.push_back({spans.from(cycles[k].time),
                               spans.from(cycles[k].time) + spans.width(),
                               double(lost) / double(j - k)});
            }
            k = j - 1;
        } else if (!cycles[k].reached) {
            const qint64 from = cycles[k > 0 ? k - 1 : k].time;
            while (k + 1 < cycles.size() && !cycles[k + 1].reached) {
                ++k;
            }
            out.push_back({from, cycles[k + 1 < cycles.size() ? k + 1 : k].time, 1});
        }
    }
    return out;
}

Changes stateChanges(const std::vector<Cycle>& cycles, int buckets) {
    Changes out;
    const Spans spans(cycles, buckets);
    const Cycle* previous = nullptr;
    // Per sensor and measure (battery, status), the change that a later one
    // in its span joins.
    std::array<std::array<std::size_t, 2>, protocol::SensorCount> last{};
    for (auto& pair : last) {
        pair.fill(SIZE_MAX);
    }
    for (const Cycle& cycle : cycles) {
        if (!cycle.reached) {
            continue;
        }
        for (std::size_t s = 0; s < cycle.data.size(); ++s) {
            const sensor::SensorRecord& now = cycle.data[s];
            if (previous == nullptr) {
                out.first.battery[s] = batteryWord(now.battery);
                out.first.status[s] = statusWord(now.status);
                continue;
            }
            const sensor::SensorRecord& before = previous->data[s];
            const std::array<bool, 2> changed{sensor::batteryClass(before.battery) !=
                                                  sensor::batteryClass(now.battery),
                                              before.status != now.status};
            for (std::size_t m = 0; m < 2; ++m) {
                if (!changed[m]) {
                    continue;
                }
                const QString to = m == 0 ? batteryWord(now.battery) : statusWord(now.status);
                std::size_t& joined = last[s][m];
                if (joined != SIZE_MAX && spans.reducing() &&
                    spans.of(out.changes[joined].time) == spans.of(cycle.time)) {
                    out.changes[joined].to = to;
                    ++out.changes[joined].count;
                    continue;
                }
                joined = out.changes.size();
                out.changes.push_back(
                    {cycle.time, static_cast<int>(s + 1),
                     m == 0 ? Measure::Battery : Measure::Status,
                     m == 0 ? batteryWord(before.battery) : statusWord(before.status), to, 1});
            }
        }
        previous = &cycle;
    }
    return out;
}

} // namespace report
