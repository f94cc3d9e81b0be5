#pragma once

#include "workout/RunFigures.h"
#include "WorkoutHistory.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace paceforge {

// Sums over workouts (the history holds each once); unreadable entries do not count.
struct HistoryTotals {
    int runs = 0;
    Decimal distanceKm;
    long long durationMs = 0;
    // Of the runs whose calories are known.
    long long calories = 0;
};

// Total time over total distance, in whole seconds per unit; nothing without distance.
std::optional<long long> AveragePaceSeconds(const HistoryTotals& totals, DistanceUnit unit);

// The totals of the entries at the given indices, or of all entries.
HistoryTotals TotalsOf(const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection);
HistoryTotals TotalsOf(const std::vector<HistoryEntry>& entries);

// Inclusive bounds on the date of a run's recorded local start; an unset bound is open.
struct DateRange {
    std::optional<QDate> since;
    std::optional<QDate> until;

    bool contains(const QDate& date) const;
};

// The indices of the entries whose runs lie in the range, in the entries' order. Unreadable
// entries are kept: they have no date to be left out by, and the user must see them.
std::vector<std::size_t> EntriesIn(const std::vector<HistoryEntry>& entries, const DateRange& range);

// Weeks start on Monday and are labelled by their ISO 8601 week-year and number ("2009-W07",
// "2009-W01" for 29 December 2008); months "2009-02"; years "2009".
enum class Period { Week, Month, Year };

QDate PeriodStart(const QDate& date, Period period);
QString PeriodLabel(const QDate& date, Period period);

struct PeriodTotals {
    QString label;
    QDate first;
    QDate last;
    HistoryTotals totals;
    // The range's since or until falls inside the period: its totals are of some of its days only.
    bool partial = false;
};

enum class EmptyPeriods { Skip, Include };

// Totals per period of the entries at the given indices, oldest period first. With
// EmptyPeriods::Include every period between the first and the last is there, with zero runs.
// `range` is the one the selection was taken by, to mark the periods it cuts.
std::vector<PeriodTotals> TotalsByPeriod(const std::vector<HistoryEntry>& entries,
    std::span<const std::size_t> selection, Period period, EmptyPeriods empty = EmptyPeriods::Skip,
    const DateRange& range = {});

// The mileage of each pair of shoes: the totals of every sensor folder the selection's runs were
// recorded by, with its first and last run, in the order of the folders' names.
struct SensorTotals {
    std::string sensor;
    HistoryTotals totals;
    std::optional<QDate> first;
    std::optional<QDate> last;
};
std::vector<SensorTotals> TotalsBySensor(const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection);

// The entries at the given indices that a sensor folder recorded (its name, letter case aside).
std::vector<std::size_t> EntriesOfSensor(
    const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection, std::string_view sensor);

// A run's average pace at its start, for a chart of pace over time (readable runs with distance,
// each workout once, oldest first).
struct PacePoint {
    QDateTime startUtc;
    long long paceSeconds = 0;
    std::size_t entry = 0;
};
std::vector<PacePoint> PaceOverTime(
    const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection, DistanceUnit unit);

// The least-squares line through the points, pace in seconds against days since the first point;
// nothing for fewer than two distinct days.
struct TrendLine {
    double secondsPerDay = 0;
    double paceAtFirst = 0;
};
std::optional<TrendLine> FitTrend(const std::vector<PacePoint>& points);

// A run's pace along its way, from its distance samples: one point per sample, over a window of
// kPaceWindowSamples samples that ends there; a sample where the run stood still has no pace.
struct RunPacePoint {
    double seconds = 0;
    double distance = 0; // in the unit asked for
    std::optional<double> paceSeconds;
};
inline constexpr int kPaceWindowSamples = 6;
std::vector<RunPacePoint> PaceAlongRun(const WorkoutSummary& run, DistanceUnit unit);

} // namespace paceforge
