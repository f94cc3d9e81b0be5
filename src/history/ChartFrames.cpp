#include "ChartFrames.h"

#include "workout/Units.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <map>

namespace paceforge {
namespace {

constexpr qint64 kMsPerDay = 24LL * 3600 * 1000;
// Beyond this the time axis names months, not days.
constexpr qint64 kMostDaysForDayLabels = 400;

double Clamp(double value, const AxisSpan& span)
{
    return std::clamp(value, span.low, span.high);
}

QString Counted(int count, const QString& singular, const QString& what)
{
    if (count <= 0)
        return {};
    return QStringLiteral("%1 %2%3 %4").arg(count).arg(singular, count == 1 ? QString() : QStringLiteral("s"), what);
}

double Day(const QDate& date)
{
    return static_cast<double>(date.toJulianDay());
}

// Where the periods with runs lie, by their first days.
std::optional<AxisSpan> MainPeriods(const std::vector<PeriodTotals>& periods)
{
    std::vector<double> starts;
    for (const PeriodTotals& each : periods)
        if (each.totals.runs > 0)
            starts.push_back(Day(each.first));
    return RobustSpan(starts, static_cast<double>(kLeastTimeMarginDays));
}

} // namespace

double Quantile(std::span<const double> sorted, double q)
{
    if (sorted.empty())
        return 0;
    const double at = std::clamp(q, 0.0, 1.0) * static_cast<double>(sorted.size() - 1);
    const auto below = static_cast<std::size_t>(std::floor(at));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (sorted[above] - sorted[below]) * (at - static_cast<double>(below));
}

std::optional<AxisSpan> RobustSpan(std::vector<double> values, double leastMargin)
{
    std::erase_if(values, [](double value) { return !std::isfinite(value); });
    if (values.empty())
        return std::nullopt;
    std::sort(values.begin(), values.end());
    double lowFence = values.front(), highFence = values.back();
    if (values.size() >= kFewestForFences) {
        const double lower = Quantile(values, 0.25), upper = Quantile(values, 0.75);
        const double margin = std::max(kFenceSpread * (upper - lower), leastMargin);
        lowFence = lower - margin;
        highFence = upper + margin;
    }
    const auto first = std::lower_bound(values.begin(), values.end(), lowFence);
    const auto last = std::upper_bound(values.begin(), values.end(), highFence);
    // The quartiles lie inside the fences, so some value always does.
    return AxisSpan{*first, *(last - 1)};
}

QString OutsideNote(int count, const QString& singular)
{
    return Counted(count, singular, QStringLiteral("outside the shown range"));
}

QString CutNote(int count, const QString& singular)
{
    return Counted(count, singular, QStringLiteral("cut at the top"));
}

std::vector<PeriodTotals> WithoutFarGaps(const std::vector<PeriodTotals>& periods)
{
    const auto main = MainPeriods(periods);
    if (!main)
        return periods;
    std::vector<PeriodTotals> kept;
    for (const PeriodTotals& each : periods)
        if (each.totals.runs > 0 || main->contains(Day(each.first)))
            kept.push_back(each);
    return kept;
}

QString BarLabel(const QDate& start, Period period, bool withYear)
{
    if (withYear || period == Period::Year)
        return PeriodLabel(start, period);
    if (period == Period::Week)
        return QStringLiteral("W%1").arg(start.weekNumber(), 2, 10, QLatin1Char('0'));
    return QLocale::c().monthName(start.month(), QLocale::ShortFormat);
}

DistanceFrame FrameDistance(const std::vector<PeriodTotals>& periods, Period period, DistanceUnit unit)
{
    DistanceFrame frame;
    const auto main = MainPeriods(periods);
    std::vector<const PeriodTotals*> shown;
    for (const PeriodTotals& each : periods)
        if (!main || main->contains(Day(each.first)))
            shown.push_back(&each);
        else
            frame.outside += each.totals.runs > 0 ? 1 : 0;
    const bool withYear = !shown.empty() && shown.front()->first.year() != shown.back()->last.year();
    std::vector<double> run;
    for (const PeriodTotals* kept : shown) {
        const PeriodTotals& each = *kept;
        const double distance = DistanceIn(each.totals.distanceKm, unit).toDouble();
        frame.bars.push_back({BarLabel(each.first, period, withYear), distance, each.partial, false});
        // Empty periods say nothing of how far a period's runs go.
        if (each.totals.runs > 0)
            run.push_back(distance);
    }
    const auto span = RobustSpan(run, kLeastBarMargin);
    frame.top = span ? std::max(span->high, 0.0) : 0;
    for (BarFrame& bar : frame.bars)
        if (bar.distance > frame.top) {
            bar.cut = true;
            ++frame.cut;
        }
    return frame;
}

QString TimeAxisFormat(const QDateTime& from, const QDateTime& to)
{
    if (from.date().year() == to.date().year())
        return QStringLiteral("d MMM");
    return from.daysTo(to) > kMostDaysForDayLabels ? QStringLiteral("MMM yyyy") : QStringLiteral("d MMM yyyy");
}

PaceFrame FramePace(const std::vector<PacePoint>& points)
{
    PaceFrame frame;
    std::vector<double> times, paces;
    for (const PacePoint& point : points) {
        times.push_back(static_cast<double>(point.startUtc.toMSecsSinceEpoch()));
        paces.push_back(static_cast<double>(point.paceSeconds));
    }
    const auto time = RobustSpan(times, static_cast<double>(kLeastTimeMarginDays * kMsPerDay));
    std::vector<double> sorted = paces;
    std::sort(sorted.begin(), sorted.end());
    const auto pace = RobustSpan(paces, kLeastPaceMargin * Quantile(sorted, 0.5));
    if (!time || !pace) {
        const QDateTime now = QDateTime::fromMSecsSinceEpoch(0, Qt::UTC);
        frame.from = now.addDays(-1);
        frame.to = now.addDays(1);
        frame.timeFormat = TimeAxisFormat(frame.from, frame.to);
        return frame;
    }
    frame.pace = *pace;
    std::vector<PacePoint> inside;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const bool outside = !time->contains(times[i]) || !pace->contains(paces[i]);
        const auto at = static_cast<qint64>(std::clamp(times[i], time->low, time->high));
        frame.dots.push_back({QDateTime::fromMSecsSinceEpoch(at, Qt::UTC), Clamp(paces[i], *pace), outside});
        frame.outside += outside ? 1 : 0;
        if (!outside)
            inside.push_back(points[i]);
    }
    if (const auto fit = FitTrend(inside)) {
        const QDateTime first = inside.front().startUtc, last = inside.back().startUtc;
        const double days = static_cast<double>(first.msecsTo(last)) / static_cast<double>(kMsPerDay);
        const double start = fit->paceAtFirst, end = fit->paceAtFirst + fit->secondsPerDay * days;
        frame.trend = std::array<PaceDot, 2>{PaceDot{first, start, false}, PaceDot{last, end, false}};
        frame.pace.low = std::min({frame.pace.low, start, end});
        frame.pace.high = std::max({frame.pace.high, start, end});
    }
    const auto padding = std::max(kMsPerDay, static_cast<qint64>((time->high - time->low) * kTimePadding));
    frame.from = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(time->low) - padding, Qt::UTC);
    frame.to = QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(time->high) + padding, Qt::UTC);
    frame.timeFormat = TimeAxisFormat(frame.from.toLocalTime(), frame.to.toLocalTime());
    return frame;
}

AlongFrame FrameRunPace(const std::vector<RunPacePoint>& points)
{
    AlongFrame frame;
    std::vector<double> paces;
    for (const RunPacePoint& point : points)
        if (point.paceSeconds && std::isfinite(*point.paceSeconds) && std::isfinite(point.distance))
            paces.push_back(*point.paceSeconds);
    std::vector<double> sorted = paces;
    std::sort(sorted.begin(), sorted.end());
    const auto pace = RobustSpan(paces, kLeastPaceMargin * Quantile(sorted, 0.5));
    if (!pace)
        return frame;
    frame.pace = *pace;
    for (const RunPacePoint& point : points) {
        if (!point.paceSeconds || !std::isfinite(*point.paceSeconds) || !std::isfinite(point.distance))
            continue;
        const bool outside = !pace->contains(*point.paceSeconds);
        frame.dots.push_back({point.distance, Clamp(*point.paceSeconds, *pace), outside});
        frame.outside += outside ? 1 : 0;
        frame.farthest = std::max(frame.farthest, point.distance);
    }
    return frame;
}

int ShadeOf(const CalendarDay& day, const std::array<double, kCalendarShades - 1>& bounds)
{
    if (day.runs == 0)
        return 0;
    int shade = 1;
    for (const double bound : bounds)
        shade += day.distance > bound ? 1 : 0;
    return shade;
}

std::vector<CalendarYear> CalendarYears(
    const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection, DistanceUnit unit)
{
    // Summed in kilometres and turned into the unit once a day, as the table's totals are.
    std::map<QDate, std::pair<int, Decimal>> byDay;
    for (const std::size_t index : selection) {
        const HistoryEntry& entry = entries.at(index);
        if (!entry.readable())
            continue;
        auto& [runs, kilometres] = byDay[entry.start.date];
        ++runs;
        kilometres = kilometres + entry.distanceKm;
    }
    std::vector<CalendarYear> years;
    for (auto it = byDay.rbegin(); it != byDay.rend();) {
        CalendarYear year;
        year.year = it->first.year();
        const QDate first(year.year, 1, 1);
        for (QDate day = first; day.year() == year.year; day = day.addDays(1))
            year.days.push_back({day, 0, 0, 0});
        std::vector<double> ran;
        for (; it != byDay.rend() && it->first.year() == year.year; ++it) {
            CalendarDay& day = year.days[static_cast<std::size_t>(first.daysTo(it->first))];
            day.runs = it->second.first;
            day.distance = DistanceIn(it->second.second, unit).toDouble();
            ran.push_back(day.distance);
            year.runs += day.runs;
            year.distance += day.distance;
        }
        std::sort(ran.begin(), ran.end());
        for (int i = 0; i < kCalendarShades - 1; ++i)
            year.bounds[static_cast<std::size_t>(i)] = Quantile(ran, static_cast<double>(i + 1) / kCalendarShades);
        for (CalendarDay& day : year.days)
            day.shade = ShadeOf(day, year.bounds);
        years.push_back(std::move(year));
    }
    return years;
}

} // namespace paceforge
