#include "history/ChartFrames.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>

using namespace paceforge;

namespace {

HistoryEntry Entry(const std::string& start, long long seconds, const char* km)
{
    HistoryEntry entry;
    entry.start = ParseStartTime(start).value();
    entry.durationMs = seconds * 1000;
    entry.distanceKm = *Decimal::parsePlain(km);
    return entry;
}

std::vector<std::size_t> All(const std::vector<HistoryEntry>& entries)
{
    std::vector<std::size_t> all(entries.size());
    std::iota(all.begin(), all.end(), std::size_t(0));
    return all;
}

PeriodTotals Month(int year, int month, const char* km, bool partial = false)
{
    PeriodTotals period;
    period.first = QDate(year, month, 1);
    period.last = period.first.addMonths(1).addDays(-1);
    period.totals.distanceKm = *Decimal::parsePlain(km);
    period.totals.runs = period.totals.distanceKm == Decimal() ? 0 : 1;
    period.partial = partial;
    return period;
}

} // namespace

// Where most values lie, and which odd ones fall outside.
TEST(ChartFramesTest, RobustSpanLeavesOutTheFarOffValues)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* what;
        std::vector<double> values;
        double leastMargin;
        double low, high;
    } cases[] = {
        {"too few to tell an odd one", {300, 310, 7200}, 90, 300, 7200},
        {"paces of 2:00 and 40:00 among 5:00 to 5:40", {300, 305, 310, 320, 330, 340, 120, 2400}, 90, 300, 340},
        {"the same pace each run: a slower one within the least margin", {300, 300, 300, 300, 300, 360}, 90, 300, 360},
        {"the same pace each run: one beyond it", {300, 300, 300, 300, 300, 400}, 90, 300, 300},
        {"a wide, even spread keeps all", {100, 200, 300, 400, 500, 600, 700}, 0, 100, 700},
        {"not a number is no value", {300, nan, 310}, 90, 300, 310},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto span = RobustSpan(c.values, c.leastMargin);
        ASSERT_TRUE(span);
        EXPECT_DOUBLE_EQ(span->low, c.low);
        EXPECT_DOUBLE_EQ(span->high, c.high);
    }
    EXPECT_FALSE(RobustSpan({}, 1));
    EXPECT_FALSE(RobustSpan({nan}, 1));
    EXPECT_EQ(OutsideNote(0, "run"), QString());
    EXPECT_EQ(OutsideNote(1, "run"), QStringLiteral("1 run outside the shown range"));
    EXPECT_EQ(OutsideNote(2, "run"), QStringLiteral("2 runs outside the shown range"));
}

// A history of 2007 to 2010, a run typed in by hand years later and a pace of 2:00/km: both are put
// on the edge and counted, the axes and the trend are the other runs'.
TEST(ChartFramesTest, PaceOverTimeKeepsTheOddRunsAtTheEdge)
{
    std::vector<HistoryEntry> entries;
    for (QDate day(2007, 3, 4); day < QDate(2010, 11, 1); day = day.addDays(7))
        entries.push_back(Entry(day.toString(Qt::ISODate).toStdString() + "T07:00:00Z", 1800 + day.dayOfYear(), "6"));
    entries.push_back(Entry("2026-12-09T07:00:00Z", 1800, "6"));
    entries.push_back(Entry("2009-05-05T07:00:00Z", 1200, "10")); // 2:00/km
    const PaceFrame frame = FramePace(PaceOverTime(entries, All(entries), DistanceUnit::Kilometres));

    ASSERT_EQ(frame.dots.size(), entries.size());
    EXPECT_EQ(frame.outside, 2);
    // Padded by a fiftieth of the span, 27 days here.
    EXPECT_EQ(frame.from.date(), QDate(2007, 2, 5));
    EXPECT_EQ(frame.to.date(), QDate(2010, 11, 27));
    EXPECT_GE(frame.pace.low, 300);
    EXPECT_LE(frame.pace.high, 368);
    EXPECT_EQ(frame.timeFormat, QStringLiteral("MMM yyyy"));
    int outsideDots = 0;
    for (const PaceDot& dot : frame.dots) {
        outsideDots += dot.outside ? 1 : 0;
        EXPECT_TRUE(frame.pace.contains(dot.secondsPerUnit));
        EXPECT_LE(dot.when, frame.to);
    }
    EXPECT_EQ(outsideDots, 2);
    ASSERT_TRUE(frame.trend);
    EXPECT_EQ((*frame.trend)[1].when.date(), QDate(2010, 10, 31));

    // Where the run stood still: its huge paces on the slow edge, the line stays readable.
    std::vector<RunPacePoint> along;
    for (int i = 1; i <= 20; ++i)
        along.push_back({i * 10.0, i * 0.03, i == 12 ? 4000.0 : 330.0 + i});
    along.push_back({210, 0.6, std::nullopt});
    const AlongFrame run = FrameRunPace(along);
    ASSERT_EQ(run.dots.size(), 20u);
    EXPECT_EQ(run.outside, 1);
    EXPECT_TRUE(run.dots[11].outside);
    EXPECT_DOUBLE_EQ(run.dots[11].secondsPerUnit, 350);
    EXPECT_DOUBLE_EQ(run.pace.high, 350);
}

// A week without runs is a zero in the table and the chart; the range's edges cut the periods
// they fall in.
TEST(ChartFramesTest, EmptyAndPartialPeriods)
{
    const std::vector<HistoryEntry> entries{
        Entry("2009-02-05T07:00:00Z", 1800, "5"), // Thursday of week 6
        Entry("2009-02-17T07:00:00Z", 1800, "7"), // week 8
        Entry("2009-02-27T07:00:00Z", 1800, "9"), // Friday of week 9
    };
    const DateRange range{QDate(2009, 2, 4), QDate(2009, 2, 28)};
    const struct {
        Period period;
        std::vector<std::tuple<QString, int, bool>> periods; // label, runs, partial
    } cases[] = {
        {Period::Week, {{"2009-W06", 1, true}, {"2009-W07", 0, false}, {"2009-W08", 1, false}, {"2009-W09", 1, true}}},
        {Period::Month, {{"2009-02", 3, true}}},
        {Period::Year, {{"2009", 3, true}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.period));
        const auto periods = TotalsByPeriod(entries, All(entries), c.period, EmptyPeriods::Include, range);
        ASSERT_EQ(periods.size(), c.periods.size());
        for (std::size_t i = 0; i < periods.size(); ++i) {
            EXPECT_EQ(periods[i].label, std::get<0>(c.periods[i]));
            EXPECT_EQ(periods[i].totals.runs, std::get<1>(c.periods[i]));
            EXPECT_EQ(periods[i].partial, std::get<2>(c.periods[i]));
        }
    }
    // A range that falls on the periods' own edges cuts none.
    for (const auto& each : TotalsByPeriod(
             entries, All(entries), Period::Month, EmptyPeriods::Include, {QDate(2009, 2, 1), QDate(2009, 2, 28)}))
        EXPECT_FALSE(each.partial);

    const DistanceFrame weeks
        = FrameDistance(TotalsByPeriod(entries, All(entries), Period::Week, EmptyPeriods::Include, range), Period::Week,
            DistanceUnit::Miles);
    ASSERT_EQ(weeks.bars.size(), 4u);
    EXPECT_EQ(weeks.bars[1].label, QStringLiteral("W07"));
    EXPECT_DOUBLE_EQ(weeks.bars[1].distance, 0);
    EXPECT_TRUE(weeks.bars[0].partial);
    EXPECT_NEAR(weeks.bars[3].distance, 9 * 0.621371, 1e-4);
    EXPECT_EQ(weeks.cut, 0);
}

// Bars over more than one year say which; a month far above the others is cut, empty months do not
// count towards the height.
TEST(ChartFramesTest, BarLabelsAndCutBars)
{
    const std::vector<PeriodTotals> months{Month(2008, 11, "80"), Month(2008, 12, "95"), Month(2009, 1, "0"),
        Month(2009, 2, "85"), Month(2009, 3, "100"), Month(2009, 4, "2000"), Month(2009, 5, "90", true)};
    const DistanceFrame frame = FrameDistance(months, Period::Month, DistanceUnit::Kilometres);
    EXPECT_EQ(frame.bars.front().label, QStringLiteral("2008-11"));
    EXPECT_DOUBLE_EQ(frame.top, 100);
    EXPECT_EQ(frame.cut, 1);
    EXPECT_TRUE(frame.bars[5].cut);
    EXPECT_TRUE(frame.bars[6].partial);
    EXPECT_EQ(FrameDistance({Month(2009, 2, "8")}, Period::Month, DistanceUnit::Kilometres).bars[0].label,
        QStringLiteral("Feb"));

    // A run typed in years later: its month is listed without the empty years before it, and left
    // out of the bars.
    std::vector<PeriodTotals> later = months;
    for (QDate month(2009, 6, 1); month < QDate(2026, 12, 1); month = month.addMonths(1))
        later.push_back(Month(month.year(), month.month(), "0"));
    later.push_back(Month(2026, 12, "5"));
    const auto listed = WithoutFarGaps(later);
    ASSERT_EQ(listed.size(), months.size() + 1);
    EXPECT_EQ(listed.back().first, QDate(2026, 12, 1));
    const DistanceFrame bars = FrameDistance(later, Period::Month, DistanceUnit::Kilometres);
    EXPECT_EQ(bars.bars.size(), months.size());
    EXPECT_EQ(bars.outside, 1);
    EXPECT_EQ(bars.cut, 1);

    const struct {
        QDateTime from, to;
        const char* format;
    } axes[] = {
        {QDateTime(QDate(2009, 2, 1), QTime(0, 0)), QDateTime(QDate(2009, 11, 30), QTime(0, 0)), "d MMM"},
        {QDateTime(QDate(2008, 12, 1), QTime(0, 0)), QDateTime(QDate(2009, 2, 1), QTime(0, 0)), "d MMM yyyy"},
        {QDateTime(QDate(2007, 3, 1), QTime(0, 0)), QDateTime(QDate(2010, 2, 1), QTime(0, 0)), "MMM yyyy"},
    };
    for (const auto& axis : axes)
        EXPECT_EQ(TimeAxisFormat(axis.from, axis.to), QString::fromLatin1(axis.format));
}

// The calendar's shades are the quarters of the year's days with runs; two runs of a day are one
// square; years newest first, in the unit asked for.
TEST(ChartFramesTest, CalendarShadesByTheYearsQuartiles)
{
    const std::vector<HistoryEntry> entries{
        Entry("2009-03-01T07:00:00Z", 600, "2"),
        Entry("2009-03-02T07:00:00Z", 1500, "5"),
        Entry("2009-03-03T07:00:00Z", 2400, "8"),
        Entry("2009-03-04T07:00:00Z", 3000, "12"),
        Entry("2009-03-04T18:00:00Z", 2000, "8"),
        Entry("2008-06-01T07:00:00Z", 1500, "5"),
    };
    const auto years = CalendarYears(entries, All(entries), DistanceUnit::Kilometres);
    ASSERT_EQ(years.size(), 2u);
    EXPECT_EQ(years[0].year, 2009);
    EXPECT_EQ(years[0].days.size(), 365u);
    EXPECT_EQ(years[1].days.size(), 366u);
    const struct {
        QDate date;
        int runs;
        double km;
        int shade;
    } days[] = {
        {QDate(2009, 2, 28), 0, 0, 0},
        {QDate(2009, 3, 1), 1, 2, 1},
        {QDate(2009, 3, 2), 1, 5, 2},
        {QDate(2009, 3, 3), 1, 8, 3},
        {QDate(2009, 3, 4), 2, 20, 4},
    };
    for (const auto& day : days) {
        SCOPED_TRACE(day.date.toString(Qt::ISODate).toStdString());
        const CalendarDay& shown = years[0].days[static_cast<std::size_t>(QDate(2009, 1, 1).daysTo(day.date))];
        EXPECT_EQ(shown.date, day.date);
        EXPECT_EQ(shown.runs, day.runs);
        EXPECT_DOUBLE_EQ(shown.distance, day.km);
        EXPECT_EQ(shown.shade, day.shade);
    }
    // A year of one run: its day is the lightest that has run.
    EXPECT_EQ(years[1].days[152].shade, 1);
    // The same days every week: every day that has run is the lightest.
    const CalendarDay same{QDate(2009, 1, 1), 1, 5, 0};
    EXPECT_EQ(ShadeOf(same, {5, 5, 5}), 1);
    const auto miles = CalendarYears(entries, All(entries), DistanceUnit::Miles);
    EXPECT_NEAR(miles[0].days[static_cast<std::size_t>(QDate(2009, 1, 1).daysTo(QDate(2009, 3, 4)))].distance,
        20 * 0.621371, 1e-4);
}
