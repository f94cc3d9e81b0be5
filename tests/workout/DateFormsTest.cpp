#include "workout/DateForms.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using namespace paceforge;

// Readable failure messages.
static void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

TEST(DateFormsTest, StartTimeFileNameAndDuration)
{
    const struct {
        QDate date;
        QTime time;
        const char* startTime;
        const char* fileName;
    } cases[] = {
        {{2006, 9, 15}, {6, 0, 0}, "2006-09-15T06:00:00+00:00", "2006-09-15 06;00;00.xml"},
        {{2008, 6, 14}, {18, 5, 9}, "2008-06-14T18:05:09+00:00", "2008-06-14 18;05;09.xml"},
        {{2009, 1, 1}, {0, 0, 0}, "2009-01-01T00:00:00+00:00", "2009-01-01 00;00;00.xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.startTime);
        EXPECT_EQ(StartTimeText(c.date, c.time), QString::fromLatin1(c.startTime));
        EXPECT_EQ(WorkoutFileName(c.date, c.time), QString::fromLatin1(c.fileName));
    }
    EXPECT_EQ(DurationText(1800, 42), u"1800042"_qs);
    EXPECT_EQ(DurationText(3907, 599), u"3907599"_qs);
}

// The offset is the computer's at that date and time. Where the clocks change, a skipped or a
// repeated wall time takes the offset in force before the change.
TEST(DateFormsTest, StartTimeCarriesTheComputersOffsetAtThatTime)
{
    const struct {
        const char* zone;
        QDate date;
        QTime time;
        const char* startTime;
    } cases[] = {
        {"UTC", {2024, 7, 15}, {6, 0}, "2024-07-15T06:00:00+00:00"},
        {"Europe/Berlin", {2024, 1, 15}, {6, 0}, "2024-01-15T06:00:00+01:00"},
        {"Europe/Berlin", {2024, 7, 15}, {6, 0}, "2024-07-15T06:00:00+02:00"},
        {"America/New_York", {2024, 1, 15}, {23, 30}, "2024-01-15T23:30:00-05:00"},
        {"America/New_York", {2024, 7, 15}, {18, 5, 9}, "2024-07-15T18:05:09-04:00"},
        {"Asia/Kolkata", {2024, 7, 15}, {0, 15}, "2024-07-15T00:15:00+05:30"},
        {"America/St_Johns", {2024, 1, 15}, {6, 0}, "2024-01-15T06:00:00-03:30"},
        // The spring change skips 02:00 to 02:59 in New York and Berlin.
        {"America/New_York", {2024, 3, 10}, {1, 59, 59}, "2024-03-10T01:59:59-05:00"},
        {"America/New_York", {2024, 3, 10}, {2, 30}, "2024-03-10T02:30:00-05:00"},
        {"America/New_York", {2024, 3, 10}, {3, 0}, "2024-03-10T03:00:00-04:00"},
        {"Europe/Berlin", {2024, 3, 31}, {2, 0}, "2024-03-31T02:00:00+01:00"},
        // The autumn change repeats 01:00 to 01:59 in New York, 02:00 to 02:59 in Berlin.
        {"America/New_York", {2024, 11, 3}, {1, 30}, "2024-11-03T01:30:00-04:00"},
        {"Europe/Berlin", {2024, 10, 27}, {2, 30}, "2024-10-27T02:30:00+02:00"},
        {"Europe/Berlin", {2024, 10, 27}, {3, 0}, "2024-10-27T03:00:00+01:00"},
    };
    const std::string old = std::getenv("TZ") ? std::getenv("TZ") : "UTC";
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + c.startTime);
        setenv("TZ", c.zone, 1);
        tzset();
        EXPECT_EQ(StartTimeText(c.date, c.time), QString::fromLatin1(c.startTime));
    }
    setenv("TZ", old.c_str(), 1);
    tzset();
}

TEST(DateFormsTest, DurationString)
{
    const QLocale c = QLocale::c(), de(QLocale::German, QLocale::Germany);
    const struct {
        const char* hours;
        long long minutes, seconds;
        const QLocale& locale;
        const char* expected;
    } cases[] = {
        {"1", 5, 7, c, "1:5:07"},
        {"0", 9, 3, c, "9:03"},
        {"", 30, 0, c, "30:00"},
        {"  ", 75, 0, c, "75:00"},
        {"0.0", 1, 0, c, "1:00"},
        {" 02 ", 0, 0, c, "02:0:00"}, // hours are written as typed
        {"0,0", 4, 5, de, "4:05"},
        {"1,5", 4, 5, de, "1,5:4:05"},
        {"abc", 4, 5, c, "abc:4:05"},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.expected);
        EXPECT_EQ(DurationString(QString::fromLatin1(t.hours), t.minutes, t.seconds, t.locale),
            QString::fromLatin1(t.expected));
    }
}

} // namespace
