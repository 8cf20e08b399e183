#include "history/history_chart.h"

#include <QDateTime>
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "history/history_texts.h"

namespace hodra {
namespace {

constexpr std::int64_t kMinute = 60000;
constexpr std::int64_t kHour = 60 * kMinute;
constexpr std::int64_t kDay = 24 * kHour;
// Below this spread the bulk is taken as this wide: a clock kept within milliseconds must
// not make a tenth of a second look like an outlier.
constexpr double kLeastSpread = 0.1;
constexpr double kFences = 5.0;  // spreads beyond the middle half that still count as the bulk

// How long a stretch one mark may stand for: round lengths of the local clock.
constexpr std::int64_t kBuckets[] = {kMinute,  2 * kMinute, 5 * kMinute, 10 * kMinute, 15 * kMinute, 30 * kMinute,
                                     kHour,    2 * kHour,   3 * kHour,   6 * kHour,    12 * kHour,   kDay,
                                     2 * kDay, 7 * kDay,    14 * kDay,   30 * kDay,    91 * kDay,    365 * kDay};

// The time axis' steps: minutes and hours that divide a day, days, months.
struct TickStep {
    std::int64_t ms;  // under a day: on the local clock from midnight
    int days;         // every so many days, from a Monday for a week or more
    int months;       // the first of every so many months
};
constexpr TickStep kTickSteps[] = {{5 * kMinute, 0, 0},
                                   {10 * kMinute, 0, 0},
                                   {15 * kMinute, 0, 0},
                                   {30 * kMinute, 0, 0},
                                   {kHour, 0, 0},
                                   {2 * kHour, 0, 0},
                                   {3 * kHour, 0, 0},
                                   {6 * kHour, 0, 0},
                                   {12 * kHour, 0, 0},
                                   {0, 1, 0},
                                   {0, 2, 0},
                                   {0, 7, 0},
                                   {0, 14, 0},
                                   {0, 0, 1},
                                   {0, 0, 2},
                                   {0, 0, 3},
                                   {0, 0, 6},
                                   {0, 0, 12},
                                   {0, 0, 24},
                                   {0, 0, 60}};

std::int64_t LocalMs(std::int64_t utcMs) {
    return utcMs + std::int64_t{QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc()} * 1000;
}

QString DayLabel(const QDate& date) {
    return QString(text::kDayLabel).arg(date.month()).arg(date.day());
}

QString MonthLabel(const QDate& date) {
    return date.month() == 1 ? QString(text::kYearLabel).arg(date.year())
                             : QString(text::kMonthLabel).arg(date.month());
}

// Whether a day carries a tick every `days` days: a week or more from Mondays (day 0 of the
// Julian count was one), two days on even days, so the ticks keep their places from one day
// to the next.
bool StartsStep(const QDate& d, int days) {
    if (days < 7) {
        return d.toJulianDay() % days == 0;
    }
    return d.dayOfWeek() == 1 && (d.toJulianDay() / 7) % (days / 7) == 0;
}

// Every tick of a step from the local day of `from` to `to`, with its label.
std::vector<ChartTick> TicksOf(const TickStep& step, std::int64_t fromMs, std::int64_t toMs) {
    std::vector<ChartTick> ticks;
    auto add = [&](const QDateTime& at, const QString& label) {
        const std::int64_t ms = at.toMSecsSinceEpoch();
        if (ms >= fromMs && ms <= toMs && (ticks.empty() || ms > ticks.back().at)) {
            ticks.push_back({static_cast<double>(ms), label, at.time() == QTime(0, 0)});
        }
    };
    const QDate first = QDateTime::fromMSecsSinceEpoch(fromMs).date();
    const QDate last = QDateTime::fromMSecsSinceEpoch(toMs).date();
    if (step.months > 0) {
        for (QDate d(first.year(), 1, 1); d <= last; d = d.addMonths(step.months)) {
            add(QDateTime(d, QTime(0, 0)), MonthLabel(d));
        }
        return ticks;
    }
    for (QDate d = first; d <= last; d = d.addDays(1)) {
        if (step.days > 0) {
            if (StartsStep(d, step.days)) {
                add(QDateTime(d, QTime(0, 0)), DayLabel(d));
            }
            continue;
        }
        for (std::int64_t ms = 0; ms < kDay; ms += step.ms) {
            const QDateTime at(d, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
            // Midnight says which day begins: the axis crosses into it.
            add(at, ms == 0 ? DayLabel(d) : at.toString(QStringLiteral("HH:mm")));
        }
    }
    return ticks;
}

int LabelWidth(const TickStep& step, const ChartMetrics& m) {
    const int day = m.textWidth(DayLabel(QDate(2026, 12, 28)));
    if (step.months > 0) {
        return std::max(m.textWidth(QString(text::kYearLabel).arg(2026)), m.textWidth(MonthLabel(QDate(2026, 12, 1))));
    }
    return step.days > 0 ? day : std::max(day, m.textWidth(QStringLiteral("20:58")));
}

// The finest step whose labels fit side by side.
std::vector<ChartTick> TimeTicks(std::int64_t fromMs, std::int64_t toMs, const ChartMetrics& m) {
    const double span = static_cast<double>(toMs - fromMs);
    for (const TickStep& step : kTickSteps) {
        const double length = step.months > 0 ? 30.4 * kDay * step.months
                                              : static_cast<double>(step.days > 0 ? step.days * kDay : step.ms);
        const double room = static_cast<double>(LabelWidth(step, m) + 2 * m.textHeight);
        if (span / length * room <= m.width) {
            return TicksOf(step, fromMs, toMs);
        }
    }
    return TicksOf(std::end(kTickSteps)[-1], fromMs, toMs);
}

double Median(std::vector<double>& values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

MarkKind KindOf(const RunRecord& r) {
    if (!r.offset) {
        return MarkKind::Silent;
    }
    if (r.step) {
        return MarkKind::Set;
    }
    return r.result == RunResult::Compared ? MarkKind::Compared : MarkKind::Refused;
}

// One kind's runs, stretch by stretch: each stretch of the local clock `bucketMs` long that
// holds any gets one mark.
class Stretches {
public:
    explicit Stretches(std::int64_t bucketMs) : bucketMs(bucketMs) {}

    void Add(MarkKind kind, const RunRecord& r, std::vector<ChartMark>& marks) {
        const std::int64_t key = LocalMs(r.utcMs) / bucketMs;
        if (open && key != openKey) {
            Close(marks);
        }
        if (!open) {
            open = ChartMark{kind, r.utcMs, r.utcMs, r.utcMs, 0, 0.0, 0.0, 0.0, kind == MarkKind::Silent ? -1 : 0};
            openKey = key;
        }
        open->lastMs = r.utcMs;
        ++open->runs;
        if (r.offset) {
            values.push_back(*r.offset);
        }
    }

    void Close(std::vector<ChartMark>& marks) {
        if (!open) {
            return;
        }
        open->utcMs = open->firstMs + (open->lastMs - open->firstMs) / 2;
        if (!values.empty()) {
            const auto [low, high] = std::minmax_element(values.begin(), values.end());
            open->low = *low;
            open->high = *high;
            open->value = Median(values);
        }
        marks.push_back(*open);
        open.reset();
        values.clear();
    }

private:
    std::int64_t bucketMs;
    std::optional<ChartMark> open;
    std::int64_t openKey = 0;
    std::vector<double> values;
};

std::int64_t BucketFor(std::int64_t spanMs, int width) {
    const std::int64_t columns = std::max(1, width / kMarkSpacing);
    for (const std::int64_t bucket : kBuckets) {
        if (bucket * columns >= spanMs) {
            return bucket;
        }
    }
    return std::end(kBuckets)[-1];
}

// Labels on round steps (1, 2 or 5 times a power of ten): the finest step whose labels fit
// one above another, and never fewer than two labels.
void OffsetTicks(double low, double high, const ChartMetrics& m, ChartModel& model) {
    const int fit = std::max(2, m.height / (3 * m.textHeight));
    auto count = [&](double step) { return static_cast<int>(std::floor(high / step) - std::ceil(low / step)) + 1; };
    const double power = std::pow(10.0, std::floor(std::log10(high - low)) - 1);
    double step = power;
    double finer = power;
    for (const double f : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0}) {
        finer = step;
        step = f * power;
        if (count(step) <= fit) {
            break;
        }
    }
    if (count(step) < 2) {
        step = finer;
    }
    // The axis keeps its range; the labels fall on the round values inside it.
    model.low = low;
    model.high = high;
    model.offsetDecimals = std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
    for (double v = std::ceil(low / step) * step; v <= high + step * 1e-6; v += step) {
        const double shown = std::abs(v) < step / 2 ? 0.0 : v;
        QString label = QString::number(shown, 'f', model.offsetDecimals);
        if (shown > 0) {
            label.prepend('+');
        }
        model.offsetTicks.push_back({shown, label, shown == 0.0});
    }
}

}  // namespace

std::pair<double, double> BulkRange(std::vector<double> offsets) {
    if (offsets.empty()) {
        return {-kLeastSpread, kLeastSpread};
    }
    std::sort(offsets.begin(), offsets.end());
    const double q1 = offsets[offsets.size() / 4];
    const double q3 = offsets[offsets.size() * 3 / 4];
    const double spread = std::max(q3 - q1, kLeastSpread);
    double low = 0.0;
    double high = 0.0;
    for (const double v : offsets) {
        if (v >= q1 - kFences * spread && v <= q3 + kFences * spread) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    const double pad = std::max((high - low) * 0.08, kLeastSpread / 2);
    return {low - pad, high + pad};
}

ChartModel BuildChart(const std::vector<RunRecord>& runs, std::int64_t fromMs, std::int64_t nowMs,
                      const ChartMetrics& metrics) {
    ChartModel model;
    model.fromMs = fromMs;
    model.toMs = nowMs;
    model.timeTicks = TimeTicks(fromMs, nowMs, metrics);
    model.bucketMs = BucketFor(nowMs - fromMs, metrics.width);

    std::array<std::vector<ChartMark>, 4> byKind;
    std::array<Stretches, 4> stretches{Stretches(model.bucketMs), Stretches(model.bucketMs), Stretches(model.bucketMs),
                                       Stretches(model.bucketMs)};
    std::vector<double> offsets;
    for (const RunRecord& r : runs) {
        if (r.utcMs < fromMs || r.utcMs > nowMs || (!r.offset && r.result != RunResult::NoAnswer)) {
            continue;  // a run that failed before it measured (the helper would not start): the list has it
        }
        const MarkKind kind = KindOf(r);
        const auto k = static_cast<std::size_t>(kind);
        stretches[k].Add(kind, r, byKind[k]);
        if (r.offset) {
            offsets.push_back(*r.offset);
        }
    }
    const auto [low, high] = BulkRange(offsets);
    OffsetTicks(low, high, metrics, model);
    // Compare marks last: drawn as rings over the others, both stay in sight.
    for (const MarkKind kind : {MarkKind::Silent, MarkKind::Refused, MarkKind::Set, MarkKind::Compared}) {
        const auto k = static_cast<std::size_t>(kind);
        stretches[k].Close(byKind[k]);
        for (ChartMark& mark : byKind[k]) {
            if (kind != MarkKind::Silent) {
                mark.edge = mark.value < model.low ? -1 : (mark.value > model.high ? 1 : 0);
            }
            model.marks.push_back(mark);
        }
    }
    return model;
}

}  // namespace hodra
