#include "history/HistoryTotals.h"
#include "history/PersonalRecords.h"

#include <gtest/gtest.h>

using namespace paceforge;

namespace {

HistoryEntry Entry(const char* start, const char* km, const char* sensor, std::optional<long long> best5kMs = {})
{
    HistoryEntry entry;
    entry.start = ParseStartTime(start).value();
    entry.durationMs = 3'600'000;
    entry.distanceKm = *Decimal::parsePlain(km);
    entry.file.sensor = sensor;
    if (best5kMs)
        entry.efforts.set(EffortDistance::Kilometres5, BestEffort{60'000, *best5kMs});
    return entry;
}

} // namespace

TEST(PersonalRecordsTest, RecordsNameTheirRunsAndTheEarliestKeepsATie)
{
    // Newest first, as the history lists them.
    std::vector<HistoryEntry> entries = {
        Entry("2009-03-02T07:00:00Z", "21.1", "8P5W31QNVSX", 1'500'000), // 0: ties the 5 km record, later
        Entry("2009-02-28T07:00:00Z", "5.0", "8P5W31QNVSX", 1'600'000), // 1
        Entry("2009-02-27T07:00:00Z", "10.0", "6J2894KLVSX", 1'500'000), // 2: the 5 km record
        Entry("2009-02-25T07:00:00Z", "12.0", "6J2894KLVSX", 1'700'000), // 3
        Entry("2009-02-23T07:00:00Z", "8.0", "6J2894KLVSX"), // 4: Monday, the week of 3
        Entry("2009-01-05T07:00:00Z", "30.0", "6J2894KLVSX", 1'400'000), // 5: unreadable
    };
    entries[5].problem = QStringLiteral("\"x.xml\" is not a workout.");

    const PersonalRecords all = RecordsOf(entries);
    ASSERT_TRUE(all[EffortDistance::Kilometres5]);
    EXPECT_EQ(all[EffortDistance::Kilometres5]->entry, 2u);
    EXPECT_EQ(all[EffortDistance::Kilometres5]->date, QDate(2009, 2, 27));
    EXPECT_EQ(all[EffortDistance::Kilometres5]->effort, (BestEffort{60'000, 1'500'000}));
    EXPECT_FALSE(all[EffortDistance::Kilometre]);
    ASSERT_TRUE(all.longestRun);
    EXPECT_EQ(all.longestRun->entry, 0u);
    EXPECT_EQ(all.longestRun->distanceKm, *Decimal::parsePlain("21.1"));
    // 2009-W09 holds 23, 25, 27 and 28 February (35 km); 2 March starts W10 (21.1 km).
    ASSERT_TRUE(all.longestWeek);
    EXPECT_EQ(all.longestWeek->label, QStringLiteral("2009-W09"));
    EXPECT_EQ(all.longestWeek->first, QDate(2009, 2, 23));
    EXPECT_EQ(all.longestWeek->totals.distanceKm, Decimal::fromInteger(35));
    EXPECT_EQ(all.longestWeek->entries, (std::vector<std::size_t>{4, 3, 2, 1}));
    ASSERT_TRUE(all.mostRunsInAMonth);
    EXPECT_EQ(all.mostRunsInAMonth->label, QStringLiteral("2009-02"));
    EXPECT_EQ(all.mostRunsInAMonth->totals.runs, 4);

    // One sensor folder, named in any case, within a date range.
    const std::vector<std::size_t> march = EntriesIn(entries, {QDate(2009, 2, 28), std::nullopt});
    const std::vector<std::size_t> chosen = EntriesOfSensor(entries, march, "8p5w31qnvsx");
    EXPECT_EQ(chosen, (std::vector<std::size_t>{0, 1}));
    const PersonalRecords some = RecordsOf(entries, chosen);
    EXPECT_EQ(some[EffortDistance::Kilometres5]->entry, 0u);
    EXPECT_EQ(some.mostRunsInAMonth->totals.runs, 1);
    EXPECT_EQ(some.mostRunsInAMonth->label, QStringLiteral("2009-02")); // of two months with one run, the first

    const PersonalRecords none = RecordsOf(entries, std::vector<std::size_t>{5});
    EXPECT_FALSE(none.longestRun || none.longestWeek || none.mostRunsInAMonth || none[EffortDistance::Kilometres5]);
}
