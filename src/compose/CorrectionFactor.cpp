#include "CorrectionFactor.h"

#include "workout/Units.h"

namespace paceforge {
namespace {

using Rounding = Decimal::Rounding;

constexpr int kPercent = 100;
constexpr int kTextPercentDecimals = 2;
constexpr int kTextFactorDecimals = 4;
// Beyond any run: a larger number is a typing error, and would not fit the exact arithmetic.
constexpr long long kLargestDistance = 1'000'000;

bool TooLarge(const Decimal& value)
{
    return value >= Decimal::fromInteger(kLargestDistance);
}

Outcome<CorrectionFactor> NothingToDo()
{
    return Outcome<CorrectionFactor>::failure(
        QStringLiteral("A factor of exactly 1 changes no distance: there is nothing to do."));
}

} // namespace

const Decimal CorrectionFactor::kSmallestFactor = Decimal::fromParts(5, 1);
const Decimal CorrectionFactor::kLargestFactor = Decimal::fromInteger(2);

CorrectionFactor::CorrectionFactor() : m_numerator(Decimal::fromInteger(1)), m_denominator(Decimal::fromInteger(1)) { }

CorrectionFactor::CorrectionFactor(Decimal numerator, Decimal denominator)
    : m_numerator(numerator),
      m_denominator(denominator)
{ }

Outcome<CorrectionFactor> CorrectionFactor::fromRatio(const Decimal& ratio)
{
    if (ratio < kSmallestFactor || ratio > kLargestFactor)
        return Outcome<CorrectionFactor>::failure(
            QStringLiteral("A correction factor must lie between %1 and %2; %3 is outside.")
                .arg(QString::fromStdString(kSmallestFactor.toPlainString('.')),
                    QString::fromStdString(kLargestFactor.toPlainString('.')),
                    QString::fromStdString(ratio.toPlainString('.'))));
    if (ratio == Decimal::fromInteger(1))
        return NothingToDo();
    return CorrectionFactor(ratio, Decimal::fromInteger(1));
}

Outcome<CorrectionFactor> CorrectionFactor::fromPercent(const Decimal& percent)
{
    const Decimal hundred = Decimal::fromInteger(kPercent);
    if (percent < kSmallestFactor * hundred || percent > kLargestFactor * hundred)
        return Outcome<CorrectionFactor>::failure(
            QStringLiteral("A correction must lie between %1 % and %2 %; %3 % is outside.")
                .arg(QString::fromStdString((kSmallestFactor * hundred).toPlainString('.')),
                    QString::fromStdString((kLargestFactor * hundred).toPlainString('.')),
                    QString::fromStdString(percent.toPlainString('.'))));
    if (percent == hundred)
        return NothingToDo();
    return CorrectionFactor(percent, hundred);
}

Outcome<CorrectionFactor> CorrectionFactor::fromTrueDistance(
    const Decimal& trueDistance, const Decimal& recordedDistance)
{
    if (recordedDistance <= Decimal())
        return Outcome<CorrectionFactor>::failure(
            QStringLiteral("The run records no distance, so no factor can be worked out from it."));
    if (trueDistance <= Decimal() || TooLarge(trueDistance) || TooLarge(recordedDistance))
        return Outcome<CorrectionFactor>::failure(
            QStringLiteral("The true distance must be a distance above zero; %1 is not.")
                .arg(QString::fromStdString(trueDistance.toPlainString('.'))));
    if (trueDistance < recordedDistance * kSmallestFactor || trueDistance > recordedDistance * kLargestFactor)
        return Outcome<CorrectionFactor>::failure(QStringLiteral(
            "The true distance %1 is too far from the recorded %2 (a factor must lie between %3 and %4).")
                                                      .arg(QString::fromStdString(trueDistance.toPlainString('.')),
                                                          QString::fromStdString(recordedDistance.toPlainString('.')),
                                                          QString::fromStdString(kSmallestFactor.toPlainString('.')),
                                                          QString::fromStdString(kLargestFactor.toPlainString('.'))));
    if (trueDistance == recordedDistance)
        return NothingToDo();
    return CorrectionFactor(trueDistance, recordedDistance);
}

Outcome<CorrectionFactor> CorrectionFactor::fromTrueDistance(
    const Decimal& trueDistance, DistanceUnit unit, const Decimal& recordedKilometres)
{
    if (unit == DistanceUnit::Kilometres)
        return fromTrueDistance(trueDistance, recordedKilometres);
    // Checked in miles, so that a refusal names the distances as the user gave them.
    if (const auto inMiles = fromTrueDistance(trueDistance, KilometresToMiles(recordedKilometres)); !inMiles)
        return inMiles;
    return fromTrueDistance(MilesToKilometres(trueDistance), recordedKilometres);
}

Decimal CorrectionFactor::scaled(const Decimal& value, int decimals, Decimal::Rounding rounding) const
{
    // A plain ratio needs no division: a series has a thousand values.
    if (m_denominator == Decimal::fromInteger(1))
        return (value * m_numerator).rounded(decimals, rounding);
    return (value * m_numerator).dividedBy(m_denominator, decimals, rounding);
}

Decimal CorrectionFactor::divided(const Decimal& value, int decimals) const
{
    return (value * m_denominator).dividedBy(m_numerator, decimals, Rounding::HalfAwayFromZero);
}

double CorrectionFactor::toDouble() const
{
    return m_numerator.toDouble() / m_denominator.toDouble();
}

QString CorrectionFactor::text() const
{
    const Decimal ratio = m_numerator.dividedBy(m_denominator, kTextFactorDecimals, Rounding::HalfAwayFromZero);
    const Decimal change = (m_numerator - m_denominator) * Decimal::fromInteger(kPercent);
    const Decimal percent = change.dividedBy(m_denominator, kTextPercentDecimals, Rounding::HalfAwayFromZero);
    return QStringLiteral("%1 (%2%3 %)")
        .arg(QString::fromStdString(ratio.toFixedString(kTextFactorDecimals)),
            percent.isNegative() ? QString() : QStringLiteral("+"),
            QString::fromStdString(percent.toFixedString(kTextPercentDecimals)));
}

CorrectionFactor CorrectionFactor::between(const Decimal& newDistance, const Decimal& oldDistance)
{
    return CorrectionFactor(newDistance, oldDistance);
}

} // namespace paceforge
