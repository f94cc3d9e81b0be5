#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

#include <optional>

namespace paceforge {

// A date typed whole into a field: YYYY-MM-DD, or the locale's short form with its year in four
// digits or two. Two-digit years are of 2000-2099, as no run of the device is older than 2006
// (Qt alone would read "1/1/09" as 1909). Day and month may have one digit or two. Nothing for
// text that is no date ("2009-02-30", "soon").
std::optional<QDate> ParseTypedDate(const QString& text, const QLocale& locale);

// The form the date fields show, which ParseTypedDate reads back whatever the locale.
QString TypedDateText(const QDate& date);

// One example date in each form accepted, for a message: "2009-01-31 or 1/31/09".
QString TypedDateForms(const QLocale& locale);

} // namespace paceforge
