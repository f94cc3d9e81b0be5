#include "Units.h"

namespace paceforge {
namespace {

constexpr int kConversionDecimals = 4;
constexpr int kWeightFieldDecimals = 1;

const Decimal& KilogramsPerPound()
{
    static const Decimal factor = Decimal::fromParts(4536, 4);
    return factor;
}

template <typename Convert> std::optional<QString> ConvertText(QStringView text, const QLocale& locale, Convert convert)
{
    const std::optional<Decimal> value = ReadEntryNumber(text, locale);
    if (!value)
        return std::nullopt;
    return WriteEntryNumber(convert(*value), locale);
}

template <typename Convert>
std::optional<double> ConvertNumber(QStringView text, const QLocale& locale, Convert convert)
{
    const std::optional<Decimal> value = ReadEntryNumber(text, locale);
    if (!value)
        return std::nullopt;
    return convert(*value).toDouble();
}

} // namespace

const Decimal& KilometresPerMile()
{
    static const Decimal factor = Decimal::fromParts(16094, 4);
    return factor;
}

const Decimal& MilesPerKilometre()
{
    static const Decimal factor = Decimal::fromParts(621371192, 9);
    return factor;
}

std::optional<Decimal> ReadEntryNumber(QStringView text, const QLocale& locale)
{
    text = text.trimmed();
    if (text.isEmpty())
        return Decimal();
    return Decimal::parseLocale(text, locale);
}

QString WriteEntryNumber(const Decimal& value, const QLocale& locale)
{
    const Decimal magnitude = value.isNegative() ? Decimal() - value : value;
    QString text = QString::fromLatin1(magnitude.toPlainString('.'));
    // The separator is a string: some locales use more than one code unit for it.
    const qsizetype point = text.indexOf(u'.');
    if (point >= 0)
        text.replace(point, 1, locale.decimalPoint());
    return value.isNegative() ? locale.negativeSign() + text : text;
}

Decimal MilesToKilometres(const Decimal& miles)
{
    return (miles * KilometresPerMile()).rounded(kConversionDecimals, Decimal::Rounding::HalfEven);
}

Decimal KilometresToMiles(const Decimal& km)
{
    return (km * MilesPerKilometre()).rounded(kConversionDecimals, Decimal::Rounding::HalfEven);
}

Decimal PoundsToKilograms(const Decimal& lb)
{
    return (lb * KilogramsPerPound()).rounded(kConversionDecimals, Decimal::Rounding::HalfEven);
}

Decimal KilogramsToPounds(const Decimal& kg)
{
    return kg.dividedBy(KilogramsPerPound(), kConversionDecimals, Decimal::Rounding::HalfEven);
}

std::optional<QString> MtoK(QStringView text, const QLocale& locale)
{
    return ConvertText(text, locale, MilesToKilometres);
}

std::optional<QString> KtoM(QStringView text, const QLocale& locale)
{
    return ConvertText(text, locale, KilometresToMiles);
}

std::optional<double> dblMtoK(QStringView text, const QLocale& locale)
{
    return ConvertNumber(text, locale, MilesToKilometres);
}

std::optional<double> dblKtoM(QStringView text, const QLocale& locale)
{
    return ConvertNumber(text, locale, KilometresToMiles);
}

std::optional<QString> LbtoKg(QStringView text, const QLocale& locale)
{
    return ConvertText(text, locale, PoundsToKilograms);
}

std::optional<double> dblLbtoKg(QStringView text, const QLocale& locale)
{
    return ConvertNumber(text, locale, PoundsToKilograms);
}

std::optional<double> dblKgtoLb(QStringView text, const QLocale& locale)
{
    return ConvertNumber(text, locale, KilogramsToPounds);
}

std::optional<QString> DistanceForUnit(QStringView text, bool toKilometres, const QLocale& locale)
{
    return toKilometres ? MtoK(text, locale) : KtoM(text, locale);
}

std::optional<QString> WeightForUnit(QStringView text, bool toKilograms, const QLocale& locale)
{
    // Rounded twice on purpose, from the four-decimal value the dbl forms give: 0.14996 kg
    // becomes 0.15 and then 0.2, where a single rounding would give 0.1.
    return ConvertText(text, locale, [toKilograms](const Decimal& value) {
        const Decimal converted = toKilograms ? PoundsToKilograms(value) : KilogramsToPounds(value);
        return converted.rounded(kWeightFieldDecimals, Decimal::Rounding::HalfEven);
    });
}

} // namespace paceforge
