#include "DateRule.h"

#include <QRegularExpression>

namespace paceforge {

int MonthsFrom(QDate today, QDate chosen)
{
    return (chosen.year() * 12 + chosen.month()) - (today.year() * 12 + today.month());
}

bool WorkoutDateAllowed(QDate today, QDate chosen)
{
    return MonthsFrom(today, chosen) >= -4;
}

QString WorkoutDateLabel(QDate date, QTime time, const QLocale& locale)
{
    return QStringLiteral("- ") + WorkoutStartText(date, time, locale);
}

QString WorkoutStartText(QDate date, QTime time, const QLocale& locale)
{
    // Qt's long time form carries the time zone, which the label has no room for and the
    // workout does not store.
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\(?\\bt{1,4}\\b\\)?"));
    timeFormat.remove(zone);
    return locale.toString(date, QLocale::ShortFormat) + u' ' + locale.toString(time, timeFormat.trimmed());
}

} // namespace paceforge
