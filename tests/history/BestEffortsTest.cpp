#include "history/BestEfforts.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace paceforge {
void PrintTo(const BestEffort& effort, std::ostream* out)
{
    *out << "{" << effort.startMs << " ms, " << effort.durationMs << " ms}";
}
} // namespace paceforge

using namespace paceforge;

namespace {

// A device-like document of the older firmware around a distance series every ten seconds, paused
// (and resumed at the same duration, as the device's clock stops) at `pauseMs`.
std::string Document(const std::string& series, long long durationMs, const char* distance, long long pauseMs)
{
    const std::string pause = std::to_string(pauseMs);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<sportsData><vers>2</vers>\n"
           "<runSummary><workoutName><![CDATA[Basic]]></workoutName>\n<time>2009-03-01T07:00:00-05:00</time>\n"
           "<duration>"
        + std::to_string(durationMs) + "</duration>\n<distance unit=\"km\">" + distance
        + "</distance>\n<calories>700</calories>\n</runSummary>\n"
          "<snapShotList snapShotType=\"userClick\"><snapShot event=\"pause\"><duration>"
        + pause
        + "</duration>\n<distance>4.5</distance>\n<pace>222222</pace>\n</snapShot>\n"
          "<snapShot event=\"resume\"><duration>"
        + pause
        + "</duration>\n<distance>4.5</distance>\n<pace>222222</pace>\n</snapShot>\n</snapShotList>\n"
          "<extendedDataList><extendedData dataType=\"distance\" intervalType=\"time\" intervalUnit=\"s\" "
          "intervalValue=\"10\">"
        + series + "</extendedData>\n</extendedDataList>\n</sportsData>\n";
}

RunEfforts EffortsOfDocument(const std::string& bytes)
{
    const auto summary = ReadWorkoutSummary(XmlDocument::fromBytes(bytes), QStringLiteral("run.xml"));
    EXPECT_TRUE(summary) << summary.error().toStdString();
    return summary ? BestEffortsOf(summary.value()) : RunEfforts();
}

WorkoutSummary SeriesRun(std::initializer_list<const char*> km)
{
    WorkoutSummary run;
    run.sampleSeconds = Decimal::fromInteger(10);
    for (const char* value : km)
        run.seriesKm.push_back(*Decimal::parsePlain(value));
    return run;
}

} // namespace

TEST(BestEffortsTest, TheFastestFiveKilometresLieAcrossAPauseAndBetweenSamples)
{
    // 2 km at 4 m/s, 4.95 km at 5 m/s with a pause at 1000 s in it, then 6 km at 2 m/s.
    std::string series;
    for (int k = 0; k < 450; ++k) {
        const int metres = k <= 50 ? 40 * k : k <= 149 ? 2000 + 50 * (k - 50) : 6950 + 20 * (k - 149);
        series
            += (k ? ", " : "") + std::to_string(metres / 1000) + '.' + std::to_string(metres % 1000 + 1000).substr(1);
    }
    const RunEfforts efforts = EffortsOfDocument(Document(series, 4'490'000, "12.95", 1'000'000));

    // All the fast part and 50 m of the faster side before it: 990 s + 12.5 s, from 487.5 s on.
    EXPECT_EQ(efforts[EffortDistance::Kilometres5], (BestEffort{487'500, 1'002'500}));
    EXPECT_EQ(efforts[EffortDistance::Metres400], (BestEffort{500'000, 80'000}));
    EXPECT_EQ(efforts[EffortDistance::Kilometre], (BestEffort{500'000, 200'000}));
    // The program's mile, 1.6094 km, at 5 m/s.
    EXPECT_EQ(efforts[EffortDistance::Mile], (BestEffort{500'000, 321'880}));
    // From the first sample: 500 s, 990 s, and 3.05 km at 2 m/s.
    EXPECT_EQ(efforts[EffortDistance::Kilometres10], (BestEffort{0, 3'015'000}));
    EXPECT_FALSE(efforts[EffortDistance::HalfMarathon]);
    EXPECT_FALSE(efforts[EffortDistance::Marathon]);

    EXPECT_EQ(EffortsOfDocument(Document("0.0, 0.2, 0.4, x, 0.8", 40'000, "0.8", 20'000)), RunEfforts());
}

TEST(BestEffortsTest, EdgesOfTheSeries)
{
    const struct {
        const char* what;
        WorkoutSummary run;
        std::optional<BestEffort> metres400;
    } cases[] = {
        {"standing still", SeriesRun({"0.0", "0.0", "0.0", "0.0"}), std::nullopt},
        {"exactly the distance, standing at both ends", SeriesRun({"0.0", "0.0", "0.2", "0.4", "0.4"}),
            BestEffort{10'000, 20'000}},
        {"exactly the distance, not from zero", SeriesRun({"1.0251", "1.2251", "1.4251"}), BestEffort{0, 20'000}},
        {"a millimetre short", SeriesRun({"0.0", "0.2", "0.3999"}), std::nullopt},
        {"a series going back is damaged", SeriesRun({"0.0", "0.3", "0.2", "0.9"}), std::nullopt},
        {"one sample", SeriesRun({"0.5"}), std::nullopt},
        {"no series", SeriesRun({}), std::nullopt},
        {"of equal ones the first, from between samples", SeriesRun({"0.0", "0.1", "0.25", "0.45", "0.55"}),
            BestEffort{5'000, 25'000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const RunEfforts efforts = BestEffortsOf(c.run);
        EXPECT_EQ(efforts[EffortDistance::Metres400], c.metres400);
        EXPECT_FALSE(efforts[EffortDistance::Kilometre]);
    }
    // Every distance is a whole number of millimetres, the mile the program's.
    EXPECT_EQ(EffortMillimetres(EffortDistance::Mile), 1'609'400);
    EXPECT_EQ(EffortMillimetres(EffortDistance::HalfMarathon), 21'097'500);
    EXPECT_EQ(EffortMillimetres(EffortDistance::Marathon), 42'195'000);
}
