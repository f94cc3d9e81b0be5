#include "PersonalRecords.h"

#include <algorithm>
#include <numeric>

namespace paceforge {
namespace {

// The readable entries of the selection, oldest first, so that the first to reach a value keeps it.
std::vector<std::size_t> Chronological(const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection)
{
    std::vector<std::pair<qint64, std::size_t>> keyed;
    keyed.reserve(selection.size());
    for (const std::size_t index : selection)
        if (entries.at(index).readable())
            keyed.emplace_back(entries[index].start.utc().toMSecsSinceEpoch(), index);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::size_t> sorted;
    sorted.reserve(keyed.size());
    for (const auto& [start, index] : keyed)
        sorted.push_back(index);
    return sorted;
}

template <typename Better>
std::optional<PeriodRecord> BestPeriod(
    const std::vector<HistoryEntry>& entries, const std::vector<std::size_t>& runs, Period period, Better better)
{
    const std::vector<PeriodTotals> periods = TotalsByPeriod(entries, runs, period);
    const PeriodTotals* best = nullptr;
    for (const PeriodTotals& candidate : periods)
        if (!best || better(candidate.totals, best->totals))
            best = &candidate;
    if (!best)
        return std::nullopt;
    PeriodRecord record{best->label, best->first, best->last, best->totals, {}};
    for (const std::size_t index : runs)
        if (PeriodStart(entries[index].start.date, period) == best->first)
            record.entries.push_back(index);
    return record;
}

} // namespace

PersonalRecords RecordsOf(const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection)
{
    PersonalRecords records;
    const std::vector<std::size_t> runs = Chronological(entries, selection);
    for (const std::size_t index : runs) {
        const HistoryEntry& entry = entries[index];
        for (std::size_t d = 0; d < kEffortDistanceCount; ++d) {
            const std::optional<BestEffort> effort = entry.efforts[kEffortDistances[d]];
            std::optional<EffortRecord>& record = records.fastest[d];
            if (effort && (!record || effort->durationMs < record->effort.durationMs))
                record = EffortRecord{kEffortDistances[d], *effort, entry.start.date, index};
        }
        if (entry.distanceKm > (records.longestRun ? records.longestRun->distanceKm : Decimal()))
            records.longestRun = RunRecord{entry.distanceKm, entry.durationMs, entry.start.date, index};
    }
    records.longestWeek = BestPeriod(entries, runs, Period::Week,
        [](const HistoryTotals& a, const HistoryTotals& b) { return a.distanceKm > b.distanceKm; });
    if (records.longestWeek && records.longestWeek->totals.distanceKm.isZero())
        records.longestWeek.reset();
    records.mostRunsInAMonth = BestPeriod(
        entries, runs, Period::Month, [](const HistoryTotals& a, const HistoryTotals& b) { return a.runs > b.runs; });
    return records;
}

PersonalRecords RecordsOf(const std::vector<HistoryEntry>& entries)
{
    std::vector<std::size_t> all(entries.size());
    std::iota(all.begin(), all.end(), std::size_t(0));
    return RecordsOf(entries, all);
}

} // namespace paceforge
