#include "templates/DateRule.h"

#include <gtest/gtest.h>

using namespace paceforge;

TEST(DateRule, CountsCalendarMonthsNotDays)
{
    struct Case {
        QDate today;
        QDate chosen;
        bool allowed;
    };
    const Case cases[] = {
        {{2006, 9, 15}, {2006, 5, 1}, true}, // four months back, first day
        {{2006, 9, 15}, {2006, 5, 31}, true}, // four months back, last day
        {{2006, 9, 15}, {2006, 4, 30}, false}, // five months back
        {{2006, 9, 1}, {2006, 5, 1}, true}, // 123 days earlier
        {{2006, 9, 1}, {2006, 4, 30}, false}, // 124 days earlier
        {{2006, 9, 30}, {2006, 5, 1}, true}, // 152 days earlier, still four months
        {{2006, 2, 10}, {2005, 10, 1}, true}, // across the turn of the year
        {{2006, 2, 10}, {2005, 9, 30}, false},
        {{2006, 9, 15}, {2030, 1, 1}, true}, // the future is never refused
        {{2006, 9, 15}, {2006, 9, 15}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(WorkoutDateAllowed(c.today, c.chosen), c.allowed);
    }
}

TEST(DateRule, LabelUsesShortDateAndLongTimeWithoutZone)
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QString label = WorkoutDateLabel({2006, 9, 15}, {6, 0}, us);
    EXPECT_TRUE(label.startsWith(QStringLiteral("- ")));
    EXPECT_TRUE(label.contains(us.toString(QDate(2006, 9, 15), QLocale::ShortFormat)));
    EXPECT_TRUE(label.contains(QStringLiteral("6:00:00")));
    EXPECT_TRUE(label.contains(QStringLiteral("AM")));
    EXPECT_FALSE(label.contains(QStringLiteral("UTC"))) << label.toStdString();
    EXPECT_TRUE(label.endsWith(QStringLiteral("AM"))) << label.toStdString();
}
