#include "templates/WorkoutLoader.h"

#include <gtest/gtest.h>

using namespace paceforge;

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);

std::string Workout(const std::string& runSummary, const std::string& userInfo)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<sportsData><vers>2</vers>\n<runSummary>" + runSummary
        + "</runSummary>\n<userInfo>" + userInfo + "</userInfo>\n</sportsData>\n";
}

std::string Summary(const std::string& distance, const std::string& durationString)
{
    return "<time>2006-09-15T06:30:00-04:00</time>\n<durationString>" + durationString + "</durationString>\n"
        + distance + "\n<calories>312</calories>\n";
}

WorkoutEntries Read(const std::string& bytes, bool miles = true, bool pounds = true, const QLocale& locale = kUs)
{
    const auto entries = ReadWorkoutEntries(XmlDocument::fromBytes(bytes), miles, pounds, locale);
    EXPECT_TRUE(entries);
    return entries.value_or(WorkoutEntries{});
}

} // namespace

TEST(WorkoutLoader, DistanceInTheUnitsTheWindowShows)
{
    struct Case {
        const char* element;
        bool miles;
        const char* shown;
    };
    const Case cases[] = {
        {"<distance unit=\"km\">5.0000</distance>", true, "3.1069"},
        {"<distance unit=\"km\">5.0000</distance>", false, "5.0000"},
        {"<distance unit=\"mi\">3.1</distance>", true, "3.1"},
        {"<distance unit=\"mi\">3.1</distance>", false, "4.9891"},
        {"<distance unit=\"KM\">5.0000</distance>", false, "8.047"}, // only "km" exactly is kilometres
        {"<distance unit=\"km\">far</distance>", true, "far"}, // shown as found, not guessed
        {"<distance>2.5</distance>", true, "2.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.element);
        EXPECT_EQ(Read(Workout(Summary(c.element, "30:00"), "<weight>70</weight>"), c.miles).distance,
            QString::fromLatin1(c.shown));
    }
}

TEST(WorkoutLoader, DurationPieces)
{
    struct Case {
        const char* text;
        const char* hours;
        const char* minutes;
        const char* seconds;
    };
    const Case cases[] = {
        {"32:15", "", "32", "15"}, {"0:32:15", "", "32", "15"}, {"1:05:07", "1", "05", "07"},
        {" 2 :10:00", "2", "10", "00"}, {"a:05:07", "a", "05", "07"}, // a non-numeric hour stays visible as found
        {"1800", "", "???", "???"}, // no ":" cannot be read as minutes and seconds
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const WorkoutEntries e = Read(Workout(Summary("<distance unit=\"km\">5</distance>", c.text), ""));
        EXPECT_EQ(e.hours, QString::fromLatin1(c.hours));
        EXPECT_EQ(e.minutes, QString::fromLatin1(c.minutes));
        EXPECT_EQ(e.seconds, QString::fromLatin1(c.seconds));
    }
}

TEST(WorkoutLoader, WeightRoundedToOneDecimalInTheChosenUnit)
{
    struct Case {
        const char* weight;
        bool pounds;
        const char* shown;
    };
    const Case cases[] = {
        {"<weight>72.576</weight>", false, "72.6"},
        {"<weight>72.576</weight>", true, "160"},
        {"<weight></weight>", true, "0"},
        {"<weight></weight>", false, "0"},
        {"<weight>heavy</weight>", true, "heavy"},
        {"", true, "???"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.weight);
        EXPECT_EQ(
            Read(Workout(Summary("<distance unit=\"km\">5</distance>", "30:00"), c.weight), true, c.pounds).weight,
            QString::fromLatin1(c.shown));
    }
}

TEST(WorkoutLoader, DateLabelFromTheStoredTime)
{
    struct Case {
        const char* time;
        std::optional<QString> label;
    };
    const Case cases[] = {
        {"2006-09-15T06:30:00-04:00", QStringLiteral("- 2006-09-15 06:30:00 am")},
        {"2006-09-15T18:05:09-04:00", QStringLiteral("- 2006-09-15 6:05:09 pm")},
        {"2007-07-09T20:37:24+02:00", QStringLiteral("- 2007-07-09 8:37:24 pm")},
        {"2007-07-09T20:37:24Z", QStringLiteral("- 2007-07-09 8:37:24 pm")},
        {"yesterday", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        const std::string summary = std::string("<time>") + c.time + "</time><distance unit=\"km\">1</distance>";
        EXPECT_EQ(Read(Workout(summary, "")).dateLabel, c.label);
    }
}

TEST(WorkoutLoader, AbsentValuesShowAsUnknownNeverAsNumbers)
{
    const WorkoutEntries noSummary = Read("<sportsData><vers>2</vers></sportsData>");
    EXPECT_EQ(noSummary.calories, "???");
    EXPECT_EQ(noSummary.distance, "???");
    EXPECT_EQ(noSummary.minutes, "???");
    EXPECT_EQ(noSummary.seconds, "???");
    EXPECT_EQ(noSummary.weight, "???");
    EXPECT_FALSE(noSummary.dateLabel);

    const WorkoutEntries emptyCalories
        = Read(Workout("<distance unit=\"km\">5</distance><calories></calories>", "<weight>70</weight>"));
    EXPECT_EQ(emptyCalories.calories, "");

    // A well-formed file that is not a workout is not loaded at all.
    EXPECT_FALSE(ReadWorkoutEntries(XmlDocument::fromBytes("<html><body>5 km</body></html>"), true, true, kUs));
}

TEST(WorkoutLoader, NumbersTakeTheUsersDecimalSeparator)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const std::string bytes
        = Workout(Summary("<distance unit=\"km\">5.0000</distance>", "30:00"), "<weight>72.576</weight>");
    const WorkoutEntries e = Read(bytes, false, false, german);
    EXPECT_EQ(e.distance, "5,0000");
    EXPECT_EQ(e.weight, "72,6");
    EXPECT_EQ(Read(bytes, true, true, german).distance, "3,1069");
}

TEST(WorkoutLoader, GetDescendantTextFindsTheFirstInDocumentOrder)
{
    const XmlDocument document = XmlDocument::fromBytes(
        "<sportsData><runSummary><lap><calories> 5 </calories></lap><calories>7</calories></runSummary></sportsData>");
    const pugi::xml_node summary = ChildElement(document.documentElement(), "runSummary");
    EXPECT_EQ(GetDescendantText(summary, "calories", "???"), "5");
    EXPECT_EQ(GetDescendantText(summary, "Calories", "???"), "???");
    EXPECT_EQ(GetDescendantText(pugi::xml_node(), "calories", "???"), "???");
}
