#include "history/HistoryTotals.h"
#include "history/SensorNames.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <numeric>

using namespace paceforge;

namespace {

// A run as the history holds it: "2009-02-08T23:30:00-05:00", minutes, kilometres.
HistoryEntry Entry(const char* start, long long minutes, const char* km, std::optional<long long> calories = 300)
{
    HistoryEntry entry;
    entry.start = ParseStartTime(start).value();
    entry.durationMs = minutes * 60'000;
    entry.distanceKm = *Decimal::parsePlain(km);
    entry.calories = calories;
    return entry;
}

std::vector<std::size_t> All(const std::vector<HistoryEntry>& entries)
{
    std::vector<std::size_t> all(entries.size());
    std::iota(all.begin(), all.end(), std::size_t(0));
    return all;
}

} // namespace

TEST(HistoryTotalsTest, PeriodsFollowTheLocalStartWithIsoWeeks)
{
    std::vector<HistoryEntry> entries = std::vector<HistoryEntry>({
        Entry("2009-02-08T23:30:00-05:00", 30, "5.0"), // Sunday where it was run, Monday in UTC
        Entry("2009-02-09T06:00:00+01:00", 60, "10.0"), // Monday, the next week
        Entry("2008-12-29T07:00:00Z", 40, "8.0", std::nullopt), // a week of the next ISO year
        Entry("2010-01-03T07:00:00Z", 50, "9.0"), // the last week of the previous ISO year
        Entry("2009-02-10T07:00:00Z", 20, "4.0"),
    });
    entries[4].problem = QStringLiteral("\"x.xml\" is not a workout."); // unreadable: never counted

    const struct {
        Period period;
        std::vector<std::pair<QString, int>> runs;
    } cases[] = {
        {Period::Week, {{"2009-W01", 1}, {"2009-W06", 1}, {"2009-W07", 1}, {"2009-W53", 1}}},
        {Period::Month, {{"2008-12", 1}, {"2009-02", 2}, {"2010-01", 1}}},
        {Period::Year, {{"2008", 1}, {"2009", 2}, {"2010", 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.period));
        const auto periods = TotalsByPeriod(entries, All(entries), c.period);
        ASSERT_EQ(periods.size(), c.runs.size());
        for (std::size_t i = 0; i < periods.size(); ++i) {
            EXPECT_EQ(periods[i].label, c.runs[i].first);
            EXPECT_EQ(periods[i].totals.runs, c.runs[i].second);
        }
    }
    const auto weeks = TotalsByPeriod(entries, All(entries), Period::Week);
    EXPECT_EQ(weeks[1].first, QDate(2009, 2, 2));
    EXPECT_EQ(weeks[1].last, QDate(2009, 2, 8));
    EXPECT_EQ(weeks[2].totals.distanceKm, Decimal::fromInteger(10));
    // Every week between the first and the last, for a chart.
    const auto chart = TotalsByPeriod(entries, All(entries), Period::Week, EmptyPeriods::Include);
    EXPECT_EQ(chart.size(), 53u); // 2009 has 53 ISO weeks
    EXPECT_EQ(chart[1].label, QStringLiteral("2009-W02"));
    EXPECT_EQ(chart[1].totals.runs, 0);

    const HistoryTotals all = TotalsOf(entries);
    EXPECT_EQ(all.runs, 4);
    EXPECT_EQ(all.distanceKm, Decimal::fromInteger(32));
    EXPECT_EQ(all.durationMs, 180 * 60'000);
    EXPECT_EQ(all.calories, 900);
    // Total time over total distance, not the mean of the paces: 180 min / 32 km, cut.
    EXPECT_EQ(AveragePaceSeconds(all, DistanceUnit::Kilometres), 337);
    EXPECT_EQ(AveragePaceSeconds(all, DistanceUnit::Miles), 543);
}

TEST(HistoryTotalsTest, DateRangesAreInclusiveAndKeepUnreadableEntries)
{
    std::vector<HistoryEntry> entries = std::vector<HistoryEntry>({
        Entry("2009-01-31T23:59:59-08:00", 30, "5.0"),
        Entry("2009-02-01T00:00:00+09:00", 30, "5.0"),
        Entry("2009-02-28T12:00:00Z", 30, "5.0"),
        Entry("2009-03-01T00:00:00Z", 30, "5.0"),
        HistoryEntry{},
    });
    entries[4].problem = QStringLiteral("unreadable");
    EXPECT_EQ(EntriesIn(entries, {QDate(2009, 2, 1), QDate(2009, 2, 28)}), (std::vector<std::size_t>{1, 2, 4}));
    EXPECT_EQ(EntriesIn(entries, {std::nullopt, QDate(2009, 1, 31)}), (std::vector<std::size_t>{0, 4}));
    EXPECT_EQ(EntriesIn(entries, {}).size(), 5u);
}

TEST(HistoryTotalsTest, PaceOverTimeAndAlongARun)
{
    const std::vector<HistoryEntry> entries = std::vector<HistoryEntry>({
        Entry("2009-01-01T07:00:00Z", 30, "5.0"), // 6:00
        Entry("2009-01-11T07:00:00Z", 29, "5.0"), // 5:48
        Entry("2009-01-21T07:00:00Z", 28, "5.0"), // 5:36
    });
    const auto points = PaceOverTime(entries, All(entries), DistanceUnit::Kilometres);
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[2].paceSeconds, 336);
    const auto trend = FitTrend(points);
    ASSERT_TRUE(trend);
    EXPECT_NEAR(trend->secondsPerDay, -1.2, 1e-9);
    EXPECT_NEAR(trend->paceAtFirst, 360, 1e-9);

    WorkoutSummary run;
    run.sampleSeconds = Decimal::fromInteger(10);
    for (const char* km : {"0.0", "0.03", "0.06", "0.06", "0.06", "0.06", "0.06", "0.06", "0.06", "0.09"})
        run.seriesKm.push_back(*Decimal::parsePlain(km));
    const auto along = PaceAlongRun(run, DistanceUnit::Kilometres);
    ASSERT_EQ(along.size(), 10u);
    EXPECT_FALSE(along[0].paceSeconds);
    EXPECT_NEAR(*along[1].paceSeconds, 333.333, 1e-3);
    EXPECT_NEAR(*along[6].paceSeconds, 1000, 1e-9); // 0.06 km over the last minute
    EXPECT_FALSE(along[8].paceSeconds); // standing for the whole window
    EXPECT_NEAR(along[9].seconds, 90, 1e-9);
}

// The mileage of each pair of shoes: every sensor folder's runs, distance and first and last run.
TEST(HistoryTotalsTest, TotalsPerSensorAreEachShoesMileage)
{
    std::vector<HistoryEntry> entries{Entry("2009-01-01T07:00:00Z", 30, "5.0"), Entry("2009-03-01T07:00:00Z", 60, "10.0"),
        Entry("2009-02-01T07:00:00Z", 40, "8.0"), Entry("2008-12-01T07:00:00Z", 40, "8.0")};
    entries[0].file.sensor = entries[1].file.sensor = "6J2894KLVSX";
    entries[2].file.sensor = "4H7136ZXVSX";
    entries[3].file.sensor = "4H7136ZXVSX";
    entries[3].problem = QStringLiteral("unreadable"); // never counted
    const auto sensors = TotalsBySensor(entries, std::vector<std::size_t>{0, 1, 2, 3});
    ASSERT_EQ(sensors.size(), 2u);
    EXPECT_EQ(sensors[0].sensor, "4H7136ZXVSX");
    EXPECT_EQ(sensors[0].totals.runs, 1);
    EXPECT_EQ(sensors[1].totals.distanceKm, Decimal::fromInteger(15));
    EXPECT_EQ(sensors[1].first, QDate(2009, 1, 1));
    EXPECT_EQ(sensors[1].last, QDate(2009, 3, 1));
    EXPECT_EQ(EntriesOfSensor(entries, std::vector<std::size_t>{0, 1, 2, 3}, "6j2894klvsx"),
        (std::vector<std::size_t>{0, 1}));
}

TEST(HistoryTotalsTest, SensorNamesAreTheUsersAndFindTheirFolder)
{
    QTemporaryDir folder;
    QSettings settings(folder.filePath("names.conf"), QSettings::IniFormat);
    SensorNames names(settings);
    names.setName("6J2894KLVSX", "Pegasus 2008");
    EXPECT_EQ(SensorNames(settings).shown("6j2894klvsx"), "Pegasus 2008");
    EXPECT_EQ(names.shown("4H7136ZXVSX"), "4H7136ZXVSX");
    const std::vector<std::string> sensors{"6J2894KLVSX", "4H7136ZXVSX"};
    EXPECT_EQ(names.find("pegasus 2008", sensors), "6J2894KLVSX");
    EXPECT_EQ(names.find("4h7136zxvsx", sensors), "4H7136ZXVSX");
    EXPECT_FALSE(names.find("Vomero", sensors));
    names.setName("6J2894KLVSX", "");
    EXPECT_FALSE(SensorNames(settings).given("6J2894KLVSX"));
}
