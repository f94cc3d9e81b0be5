#pragma once

#include "BestEfforts.h"
#include "HistoryTotals.h"
#include "WorkoutHistory.h"

#include <QDate>
#include <QString>

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace paceforge {

// The fastest stretch of one distance over all runs, and the run it lies in.
struct EffortRecord {
    EffortDistance distance = EffortDistance::Metres400;
    BestEffort effort;
    // The run's date where it took place, as the history's periods count it.
    QDate date;
    std::size_t entry = 0;
};

struct RunRecord {
    Decimal distanceKm;
    long long durationMs = 0;
    QDate date;
    std::size_t entry = 0;
};

// A week or a month and its runs, oldest first.
struct PeriodRecord {
    QString label;
    QDate first;
    QDate last;
    HistoryTotals totals;
    std::vector<std::size_t> entries;
};

// A record stands until a run beats it: of equal ones, the earliest keeps it. Each names the
// entries it came from, so that a window can go to the run.
struct PersonalRecords {
    std::array<std::optional<EffortRecord>, kEffortDistanceCount> fastest;
    std::optional<RunRecord> longestRun;
    // By distance, in ISO weeks as TotalsByPeriod counts them.
    std::optional<PeriodRecord> longestWeek;
    std::optional<PeriodRecord> mostRunsInAMonth;

    const std::optional<EffortRecord>& operator[](EffortDistance distance) const
    {
        return fastest[static_cast<std::size_t>(distance)];
    }
};

// The records of the readable entries at the given indices (EntriesIn for a date range,
// EntriesOfSensor of HistoryTotals for one sensor folder).
PersonalRecords RecordsOf(const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection);
PersonalRecords RecordsOf(const std::vector<HistoryEntry>& entries);

} // namespace paceforge
