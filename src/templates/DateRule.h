#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

namespace paceforge {

inline const QString kTooLateTitle = QStringLiteral("You're too late!");
inline const QString kTooLateText
    = QStringLiteral("The limit for previous workouts is 4 months. Please select a different date!");

// Month boundaries from today to the chosen date, by calendar months alone: 30 April is five
// months before any day of September, 1 May four.
int MonthsFrom(QDate today, QDate chosen);

// A new workout may lie at most four calendar months back; any future date is fine.
bool WorkoutDateAllowed(QDate today, QDate chosen);

// "- " + the date in the user's short form + " " + the time in the user's long form.
QString WorkoutDateLabel(QDate date, QTime time, const QLocale& locale);
// The same date and time without the dash, for messages.
QString WorkoutStartText(QDate date, QTime time, const QLocale& locale);

} // namespace paceforge
