#include "DateForms.h"

#include "Units.h"

#include <QDateTime>
#include <QTimeZone>

#include <cstdlib>

namespace paceforge {
namespace {

constexpr QChar kZero = u'0';

QString Padded(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, kZero);
}

// Built by hand rather than with QDate::toString so that no locale can reach the digits.
QString DatePart(QDate date)
{
    return Padded(date.year(), 4) + u'-' + Padded(date.month(), 2) + u'-' + Padded(date.day(), 2);
}

QString TimePart(QTime time, QChar separator)
{
    return Padded(time.hour(), 2) + separator + Padded(time.minute(), 2) + separator + Padded(time.second(), 2);
}

int LocalOffsetSeconds(QDate date, QTime time)
{
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const auto offsetAt = [&zone](const QDateTime& instant) {
        return zone.isValid() ? zone.offsetFromUtc(instant) : instant.toLocalTime().offsetFromUtc();
    };
    // Of the offsets in force a day before and a day after, the one at which the wall time happens;
    // the one before where both do (an hour that comes twice) or neither (an hour that is skipped).
    const QDateTime wall(date, time, QTimeZone::utc());
    const int before = offsetAt(wall.addDays(-1));
    const int after = offsetAt(wall.addDays(1));
    const auto happens = [&](int offset) { return offsetAt(wall.addSecs(-offset)) == offset; };
    if (happens(before) || !happens(after))
        return before;
    return after;
}

} // namespace

QString StartTimeText(QDate date, QTime time)
{
    const int offset = LocalOffsetSeconds(date, time);
    const int minutes = std::abs(offset) / 60;
    return DatePart(date) + u'T' + TimePart(time, u':') + (offset < 0 ? u'-' : u'+') + Padded(minutes / 60, 2) + u':'
        + Padded(minutes % 60, 2);
}

QString WorkoutFileName(QDate date, QTime time)
{
    return DatePart(date) + u' ' + TimePart(time, u';') + QStringLiteral(".xml");
}

QString DurationText(long long totalSeconds, int randomPart)
{
    return QString::number(totalSeconds) + Padded(randomPart, 3);
}

QString DurationString(QStringView hoursEntry, long long minutes, long long seconds, const QLocale& locale)
{
    QString text;
    const QStringView hours = hoursEntry.trimmed();
    if (!hours.isEmpty()) {
        // An entry that is not a number is not zero; the caller's checks keep it from coming here.
        const std::optional<Decimal> value = ReadEntryNumber(hours, locale);
        if (!value || !value->isZero())
            text = hours.toString() + u':';
    }
    return text + QString::number(minutes) + u':' + QStringLiteral("%1").arg(seconds, 2, 10, kZero);
}

} // namespace paceforge
