#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "history/run_record.h"

namespace hodra {

// What the history chart draws, worked out apart from the drawing: the axes, their ticks,
// and a mark per run, or per stretch of time when runs would crowd.
enum class MarkKind { Compared, Set, Refused, Silent };

struct ChartMark {
    MarkKind kind = MarkKind::Compared;
    std::int64_t utcMs = 0;  // the run's moment; for several runs, the middle of theirs
    std::int64_t firstMs = 0;
    std::int64_t lastMs = 0;
    int runs = 1;
    double value = 0.0;  // the offset, the median of several runs'
    double low = 0.0;    // their least and greatest offset
    double high = 0.0;
    // Outside the offset axis: drawn on its lower (-1) or upper (+1) edge. Runs no server
    // answered have no offset and sit on the lower edge.
    int edge = 0;
};

struct ChartTick {
    double at = 0.0;  // UTC milliseconds, or seconds of offset
    QString label;
    bool major = false;  // a day begins, or the offset is zero
};

// The plot's size in pixels and how wide a label is drawn.
struct ChartMetrics {
    int width = 600;
    int height = 200;
    std::function<int(const QString&)> textWidth;
    int textHeight = 12;
};

struct ChartModel {
    std::int64_t fromMs = 0;  // the time axis ends now
    std::int64_t toMs = 0;
    double low = 0.0;  // the offset axis, seconds
    double high = 0.0;
    std::vector<ChartTick> timeTicks;
    std::vector<ChartTick> offsetTicks;
    int offsetDecimals = 0;
    std::vector<ChartMark> marks;  // in drawing order: what must stay visible comes last
    std::int64_t bucketMs = 0;     // runs closer than this share a mark
};

// Least distance between marks of one kind, in pixels: a mark is about this wide.
inline constexpr int kMarkSpacing = 8;

ChartModel BuildChart(const std::vector<RunRecord>& runs, std::int64_t fromMs, std::int64_t nowMs,
                      const ChartMetrics& metrics);

// The offsets the scale follows: [low, high] around the bulk of them, with zero; a value far
// outside the bulk (a clock that was off by an hour once) does not flatten the rest.
std::pair<double, double> BulkRange(std::vector<double> offsets);

}  // namespace hodra
