#pragma once

#include "HistoryTotals.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace paceforge {

// What the history's charts draw, worked out here so that the widgets only paint it. Every
// distance and pace is in the unit asked for.

// An axis that holds most values. One far-off value (a run typed in by hand years later, a pace of
// 2:00/km from a sensor that slipped) would otherwise squeeze all the others into a line.
struct AxisSpan {
    double low = 0;
    double high = 0;

    bool contains(double value) const { return value >= low && value <= high; }
};

// The q-quantile (0..1) of sorted values, between neighbours where it falls between two; 0 for none.
double Quantile(std::span<const double> sorted, double q);

// Values farther than kFenceSpread times the spread of the middle half from the quartiles (Tukey's
// "far out"), or farther than `leastMargin` where the middle half is narrower, lie outside; the span
// runs from the least to the greatest value inside. Below kFewestForFences values there are too few
// to tell an odd one, and all count. Non-finite values are left out; nothing for none.
inline constexpr double kFenceSpread = 3.0;
inline constexpr std::size_t kFewestForFences = 5;
std::optional<AxisSpan> RobustSpan(std::vector<double> values, double leastMargin);

// "1 run outside the shown range", "3 weeks outside the shown range"; empty for none.
QString OutsideNote(int count, const QString& singular);
// "2 weeks cut at the top"; empty for none.
QString CutNote(int count, const QString& singular);

// Bar labels carry the year only where the bars span more than one: "2009-W07" or "W07",
// "2009-02" or "Feb".
QString BarLabel(const QDate& start, Period period, bool withYear);

struct BarFrame {
    QString label;
    double distance = 0;
    // The range's since or until falls inside the period.
    bool partial = false;
    // Taller than the axis: drawn up to its top, with a mark.
    bool cut = false;
};

struct DistanceFrame {
    std::vector<BarFrame> bars;
    double top = 0;
    int cut = 0;
    // Periods with runs left out, far before or after the others.
    int outside = 0;
};

// The periods to list: those with runs, and the empty ones among the dates most runs lie in, so
// that a run typed in years later does not bring years of empty weeks along.
std::vector<PeriodTotals> WithoutFarGaps(const std::vector<PeriodTotals>& periods);

// The bars of the periods among the dates most runs lie in. A bar above the tallest of the
// others by kFenceSpread spreads, and by at least kLeastBarMargin units, is cut.
inline constexpr double kLeastBarMargin = 5.0;
DistanceFrame FrameDistance(const std::vector<PeriodTotals>& periods, Period period, DistanceUnit unit);

struct PaceDot {
    // Moved onto the edge of the axes where `outside`.
    QDateTime when;
    double secondsPerUnit = 0;
    bool outside = false;
};

struct PaceFrame {
    std::vector<PaceDot> dots;
    QDateTime from;
    QDateTime to;
    AxisSpan pace;
    // Through the runs inside only, from the first of them to the last.
    std::optional<std::array<PaceDot, 2>> trend;
    int outside = 0;
    // For QDateTime::toString: with the year where the axis spans more than one.
    QString timeFormat;
};

// Margins of the pace axes, as a share of the median pace, and of the time axis; the time axis
// stands kTimePadding of its span off either end, and a day at least, so that no run sits on the frame.
inline constexpr double kLeastPaceMargin = 0.3;
inline constexpr qint64 kLeastTimeMarginDays = 30;
inline constexpr double kTimePadding = 0.02;
PaceFrame FramePace(const std::vector<PacePoint>& points);

QString TimeAxisFormat(const QDateTime& from, const QDateTime& to);

struct AlongDot {
    double distance = 0;
    double secondsPerUnit = 0;
    bool outside = false;
};

struct AlongFrame {
    std::vector<AlongDot> dots;
    double farthest = 0;
    AxisSpan pace;
    int outside = 0;
};

// The samples with a pace; where the run stood nearly still, the pace is put on the slow edge.
AlongFrame FrameRunPace(const std::vector<RunPacePoint>& points);

// A square per day of a year, darker for more distance: shade 0 is a day without runs, shades 1 to
// kCalendarShades the quarters of the year's days with runs, by their distance.
inline constexpr int kCalendarShades = 4;

struct CalendarDay {
    QDate date;
    int runs = 0;
    double distance = 0;
    int shade = 0;
};

struct CalendarYear {
    int year = 0;
    // Every day from 1 January to 31 December.
    std::vector<CalendarDay> days;
    // A day farther than bounds[i] has at least shade i + 2.
    std::array<double, kCalendarShades - 1> bounds{};
    int runs = 0;
    double distance = 0;
};

int ShadeOf(const CalendarDay& day, const std::array<double, kCalendarShades - 1>& bounds);

// The years the entries at the given indices have runs in, newest first.
std::vector<CalendarYear> CalendarYears(
    const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection, DistanceUnit unit);

} // namespace paceforge
