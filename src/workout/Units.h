#pragma once

#include "Decimal.h"

#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

namespace paceforge {

// The one mile of the program, wherever a distance changes unit: 1.6094 km, the factor the sport
// kit's workout tools convert with, so that a file written here agrees with the ones written
// before it. It is 6 cm longer than the international mile (1.609344 km), a difference no run
// can show; a second, exact mile beside it made two parts of the program disagree about one run.
const Decimal& KilometresPerMile();
// The other way: 0.621371192, the international mile's inverse to nine places, and not the inverse
// of 1.6094 (0.62135). Miles to kilometres and back can therefore change the fourth decimal.
const Decimal& MilesPerKilometre();

// Reads an entry: trimmed; blank gives 0; otherwise a number by the locale's rules; nullopt when
// the text is not a number.
std::optional<Decimal> ReadEntryNumber(QStringView text, const QLocale& locale);
// Plain notation with the locale's decimal separator and minus sign, without grouping.
QString WriteEntryNumber(const Decimal& value, const QLocale& locale);

// Exact conversions, rounded to four decimals with ties to even.
Decimal MilesToKilometres(const Decimal& miles);
Decimal KilometresToMiles(const Decimal& km);
Decimal PoundsToKilograms(const Decimal& lb);
Decimal KilogramsToPounds(const Decimal& kg);

// The conversions of entry texts. A number result is always the value of the text result read
// back. nullopt: the text is not a number.
std::optional<QString> MtoK(QStringView text, const QLocale& locale);
std::optional<QString> KtoM(QStringView text, const QLocale& locale);
std::optional<double> dblMtoK(QStringView text, const QLocale& locale);
std::optional<double> dblKtoM(QStringView text, const QLocale& locale);
std::optional<QString> LbtoKg(QStringView text, const QLocale& locale);
std::optional<double> dblLbtoKg(QStringView text, const QLocale& locale);
std::optional<double> dblKgtoLb(QStringView text, const QLocale& locale);

// The new text of a field whose unit selector was switched; nullopt when the field does not hold
// a number, and the field then stays as it was.
std::optional<QString> DistanceForUnit(QStringView text, bool toKilometres, const QLocale& locale);
// The weight is rounded a second time, to one decimal.
std::optional<QString> WeightForUnit(QStringView text, bool toKilograms, const QLocale& locale);

} // namespace paceforge
