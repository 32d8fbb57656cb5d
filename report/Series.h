// SPDX-License-Identifier: MIT
#pragma once

#include "report/Run.h"
#include "verdict/Judge.h"

#include <QString>
#include <array>
#include <vector>

// What a plot draws of a run's cycles: per sensor its points over time, no
// more of them than a screen can show, and where its battery class or status
// changed.
namespace report {

// A value as the receiver's byte: the report's tables turn it into a number
// in the report's units. Gap: a cycle that did not reach the receiver, or a
// sensor without data, which a plot leaves open rather than join across.
struct Point {
    qint64 time = 0;
    int byte = Gap;
    static constexpr int Gap = -1;
    friend bool operator==(const Point&, const Point&) = default;
};
using SensorSeries = std::array<std::vector<Point>, protocol::SensorCount>;

// Each sensor's pressure or temperature (measure) over the cycles. Up to
// 2 * buckets cycles every cycle is a point. Beyond, the run's time is cut
// into `buckets` equal spans and each span keeps, per sensor, the cycles of
// its lowest and highest value, so that a spike of a single cycle stays seen,
// and its first and last gap, so that a lost cycle stays a gap: at most four
// points a span, in time order. Successive gaps are one gap.
SensorSeries sensorSeries(const std::vector<Cycle>& cycles, verdict::Measure measure, int buckets);

// Where the receiver was lost. Up to 2 * buckets cycles: each stretch of
// lost cycles, from the last cycle that reached it to the next that did (or
// the run's end), so that it covers the gap in the lines; share 1. Beyond,
// each span with a lost cycle, with the share of its cycles that were lost.
struct Lost {
    qint64 from = 0;
    qint64 to = 0;
    double share = 1;
    friend bool operator==(const Lost&, const Lost&) = default;
};
std::vector<Lost> lostSpans(const std::vector<Cycle>& cycles, int buckets);

// A change of a sensor's battery class or status between cycles that reached
// the receiver, in words ("high", "normal mode"; "none" without data). Changes
// of one sensor and measure within one of `buckets` spans are one, from the
// first's before to the last's after, counting them.
struct Change {
    qint64 time = 0;
    int sensor = 1;
    verdict::Measure measure = verdict::Measure::Battery;
    QString from;
    QString to;
    int count = 1;
    friend bool operator==(const Change&, const Change&) = default;
};
// Per sensor, battery class and status at the first cycle that reached the receiver.
struct States {
    std::array<QString, protocol::SensorCount> battery;
    std::array<QString, protocol::SensorCount> status;
};
struct Changes {
    States first;
    std::vector<Change> changes; // in time order
};
Changes stateChanges(const std::vector<Cycle>& cycles, int buckets);

} // namespace report
