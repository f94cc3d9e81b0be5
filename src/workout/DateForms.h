#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringView>
#include <QTime>

namespace paceforge {

// "2006-09-15T06:00:00-04:00": the wall time as typed and the computer's offset from UTC at it,
// daylight saving included. Where the clocks change, a wall time that is skipped or comes twice
// takes the offset in force before the change: a skipped time is then the instant a clock not yet
// changed would show it, as the file's last-write time reads it, and a repeated one its first.
QString StartTimeText(QDate date, QTime time);
// "2006-09-15 06;00;00.xml"
QString WorkoutFileName(QDate date, QTime time);
// Milliseconds: the total seconds followed by the random part as three digits ("1800" + "042").
QString DurationText(long long totalSeconds, int randomPart);
// [hours ":"] minutes ":" seconds, e.g. "30:00", "1:5:07". The hours entry is written trimmed and
// as typed unless it is blank or reads as zero; minutes and seconds are whole numbers.
QString DurationString(QStringView hoursEntry, long long minutes, long long seconds, const QLocale& locale);

} // namespace paceforge
