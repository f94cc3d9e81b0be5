#include "TypedDate.h"

#include <QStringList>

namespace paceforge {
namespace {

// Qt reads a year of "yy" as 1900-1999.
constexpr int kCenturyOfTwoDigitYears = 2000;
constexpr int kFirstYearOfOneCentury = 1900;

// The locale's short form, read loosely: one or two digits for day and month.
QString LooseFormat(QString format)
{
    format.replace(QLatin1String("dd"), QLatin1String("d"));
    format.replace(QLatin1String("MM"), QLatin1String("M"));
    return format;
}

bool HasTwoDigitYear(const QString& format)
{
    return format.contains(QLatin1String("yy")) && !format.contains(QLatin1String("yyyy"));
}

} // namespace

std::optional<QDate> ParseTypedDate(const QString& typed, const QLocale& locale)
{
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const QLocale c = QLocale::c();
    if (const QDate iso = c.toDate(text, QStringLiteral("yyyy-M-d"));
        iso.isValid() && iso.year() >= kFirstYearOfOneCentury)
        return iso;

    const QString format = LooseFormat(locale.dateFormat(QLocale::ShortFormat));
    QString fourDigits = format;
    if (HasTwoDigitYear(format))
        fourDigits.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    // A four-digit year is read first: "yyyy" would also take "09" as the year 9.
    if (const QDate date = locale.toDate(text, fourDigits); date.isValid() && date.year() >= kFirstYearOfOneCentury)
        return date;
    QString twoDigits = format;
    if (!HasTwoDigitYear(format))
        twoDigits.replace(QLatin1String("yyyy"), QLatin1String("yy"));
    if (const QDate date = locale.toDate(text, twoDigits); date.isValid())
        return date.addYears(kCenturyOfTwoDigitYears - kFirstYearOfOneCentury);
    return std::nullopt;
}

QString TypedDateText(const QDate& date)
{
    return date.toString(Qt::ISODate);
}

QString TypedDateForms(const QLocale& locale)
{
    const QDate example(2009, 1, 31);
    return QStringLiteral("%1 or %2").arg(TypedDateText(example), locale.toString(example, QLocale::ShortFormat));
}

} // namespace paceforge
