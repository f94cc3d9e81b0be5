#include "HistoryTotals.h"

#include "platform/FileSystem.h"
#include "workout/Units.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

namespace paceforge {
namespace {

constexpr double kMsPerSecond = 1000.0;
constexpr double kSecondsPerDay = 86400.0;

// The selected entries that count: the readable ones. The entries are one per workout already.
std::vector<std::size_t> Counted(const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection)
{
    std::vector<std::size_t> counted;
    counted.reserve(selection.size());
    for (const std::size_t index : selection)
        if (entries.at(index).readable())
            counted.push_back(index);
    return counted;
}

std::vector<std::size_t> All(const std::vector<HistoryEntry>& entries)
{
    std::vector<std::size_t> all(entries.size());
    std::iota(all.begin(), all.end(), std::size_t(0));
    return all;
}

void Add(HistoryTotals& totals, const HistoryEntry& entry)
{
    ++totals.runs;
    totals.distanceKm = totals.distanceKm + entry.distanceKm;
    totals.durationMs += entry.durationMs;
    totals.calories += entry.calories.value_or(0);
}

QDate NextPeriod(const QDate& start, Period period)
{
    switch (period) {
    case Period::Week:
        return start.addDays(7);
    case Period::Month:
        return start.addMonths(1);
    case Period::Year:
        return start.addYears(1);
    }
    return start;
}

} // namespace

std::optional<long long> AveragePaceSeconds(const HistoryTotals& totals, DistanceUnit unit)
{
    return PaceSeconds(totals.durationMs, totals.distanceKm, unit);
}

HistoryTotals TotalsOf(const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection)
{
    HistoryTotals totals;
    for (const std::size_t index : Counted(entries, selection))
        Add(totals, entries[index]);
    return totals;
}

HistoryTotals TotalsOf(const std::vector<HistoryEntry>& entries)
{
    return TotalsOf(entries, All(entries));
}

bool DateRange::contains(const QDate& date) const
{
    return (!since || date >= *since) && (!until || date <= *until);
}

std::vector<std::size_t> EntriesIn(const std::vector<HistoryEntry>& entries, const DateRange& range)
{
    std::vector<std::size_t> inRange;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!entries[i].readable() || range.contains(entries[i].start.date))
            inRange.push_back(i);
    return inRange;
}

QDate PeriodStart(const QDate& date, Period period)
{
    switch (period) {
    case Period::Week:
        return date.addDays(1 - date.dayOfWeek());
    case Period::Month:
        return QDate(date.year(), date.month(), 1);
    case Period::Year:
        return QDate(date.year(), 1, 1);
    }
    return date;
}

QString PeriodLabel(const QDate& date, Period period)
{
    switch (period) {
    case Period::Week: {
        int weekYear = 0;
        const int week = date.weekNumber(&weekYear);
        return QString::asprintf("%04d-W%02d", weekYear, week);
    }
    case Period::Month:
        return QString::asprintf("%04d-%02d", date.year(), date.month());
    case Period::Year:
        return QString::asprintf("%04d", date.year());
    }
    return {};
}

std::vector<PeriodTotals> TotalsByPeriod(const std::vector<HistoryEntry>& entries,
    std::span<const std::size_t> selection, Period period, EmptyPeriods empty, const DateRange& range)
{
    std::map<QDate, HistoryTotals> byStart;
    for (const std::size_t index : Counted(entries, selection))
        Add(byStart[PeriodStart(entries[index].start.date, period)], entries[index]);
    if (empty == EmptyPeriods::Include && !byStart.empty()) {
        const QDate last = byStart.rbegin()->first;
        for (QDate start = byStart.begin()->first; start < last; start = NextPeriod(start, period))
            byStart.try_emplace(start);
    }
    std::vector<PeriodTotals> periods;
    periods.reserve(byStart.size());
    for (const auto& [start, totals] : byStart) {
        const QDate last = NextPeriod(start, period).addDays(-1);
        const bool cutAtStart = range.since && *range.since > start && *range.since <= last;
        const bool cutAtEnd = range.until && *range.until < last && *range.until >= start;
        periods.push_back({PeriodLabel(start, period), start, last, totals, cutAtStart || cutAtEnd});
    }
    return periods;
}

std::vector<SensorTotals> TotalsBySensor(const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection)
{
    std::map<std::string, SensorTotals> bySensor;
    for (const std::size_t index : Counted(entries, selection)) {
        const HistoryEntry& entry = entries[index];
        SensorTotals& sensor = bySensor[entry.file.sensor];
        sensor.sensor = entry.file.sensor;
        Add(sensor.totals, entry);
        sensor.first = sensor.first ? std::min(*sensor.first, entry.start.date) : entry.start.date;
        sensor.last = sensor.last ? std::max(*sensor.last, entry.start.date) : entry.start.date;
    }
    std::vector<SensorTotals> sensors;
    for (auto& [name, totals] : bySensor)
        sensors.push_back(std::move(totals));
    return sensors;
}

std::vector<std::size_t> EntriesOfSensor(
    const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection, std::string_view sensor)
{
    std::vector<std::size_t> chosen;
    for (const std::size_t index : selection)
        if (NamesEqualIgnoringCase(entries.at(index).file.sensor, sensor))
            chosen.push_back(index);
    return chosen;
}

std::vector<PacePoint> PaceOverTime(
    const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection, DistanceUnit unit)
{
    std::vector<PacePoint> points;
    for (const std::size_t index : Counted(entries, selection)) {
        const HistoryEntry& entry = entries[index];
        if (const auto pace = PaceSeconds(entry.durationMs, entry.distanceKm, unit))
            points.push_back({entry.start.utc(), *pace, index});
    }
    std::stable_sort(
        points.begin(), points.end(), [](const PacePoint& a, const PacePoint& b) { return a.startUtc < b.startUtc; });
    return points;
}

std::optional<TrendLine> FitTrend(const std::vector<PacePoint>& points)
{
    if (points.size() < 2)
        return std::nullopt;
    const QDateTime first = points.front().startUtc;
    double sumX = 0, sumY = 0;
    for (const PacePoint& point : points) {
        sumX += static_cast<double>(first.msecsTo(point.startUtc)) / kMsPerSecond / kSecondsPerDay;
        sumY += static_cast<double>(point.paceSeconds);
    }
    const double n = static_cast<double>(points.size());
    const double meanX = sumX / n, meanY = sumY / n;
    double covariance = 0, variance = 0;
    for (const PacePoint& point : points) {
        const double x = static_cast<double>(first.msecsTo(point.startUtc)) / kMsPerSecond / kSecondsPerDay - meanX;
        covariance += x * (static_cast<double>(point.paceSeconds) - meanY);
        variance += x * x;
    }
    if (variance <= 0)
        return std::nullopt;
    TrendLine line;
    line.secondsPerDay = covariance / variance;
    line.paceAtFirst = meanY - line.secondsPerDay * meanX;
    return line;
}

std::vector<RunPacePoint> PaceAlongRun(const WorkoutSummary& run, DistanceUnit unit)
{
    std::vector<RunPacePoint> points;
    const double interval = run.sampleSeconds.toDouble();
    if (run.seriesKm.empty() || interval <= 0)
        return points;
    const double perKilometre = unit == DistanceUnit::Miles ? MilesPerKilometre().toDouble() : 1.0;
    points.reserve(run.seriesKm.size());
    for (std::size_t i = 0; i < run.seriesKm.size(); ++i) {
        RunPacePoint point;
        point.seconds = static_cast<double>(i) * interval;
        point.distance = run.seriesKm[i].toDouble() * perKilometre;
        if (i > 0) {
            const auto window = static_cast<std::size_t>(kPaceWindowSamples);
            const std::size_t from = i > window ? i - window : 0;
            const double covered = point.distance - points[from].distance;
            if (covered > 0)
                if (const double pace = static_cast<double>(i - from) * interval / covered; std::isfinite(pace))
                    point.paceSeconds = pace;
        }
        points.push_back(point);
    }
    return points;
}

} // namespace paceforge
