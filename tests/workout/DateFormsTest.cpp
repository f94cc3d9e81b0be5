#include "workout/DateForms.h"

#include <gtest/gtest.h>

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
        {{2006, 9, 15}, {6, 0, 0}, "2006-09-15T06:00:00-04:00", "2006-09-15 06;00;00.xml"},
        {{2008, 6, 14}, {18, 5, 9}, "2008-06-14T18:05:09-04:00", "2008-06-14 18;05;09.xml"},
        {{2009, 1, 1}, {0, 0, 0}, "2009-01-01T00:00:00-04:00", "2009-01-01 00;00;00.xml"}, // winter: same offset
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.startTime);
        EXPECT_EQ(StartTimeText(c.date, c.time), QString::fromLatin1(c.startTime));
        EXPECT_EQ(WorkoutFileName(c.date, c.time), QString::fromLatin1(c.fileName));
    }
    EXPECT_EQ(DurationText(1800, 42), u"1800042"_qs);
    EXPECT_EQ(DurationText(3907, 599), u"3907599"_qs);
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
