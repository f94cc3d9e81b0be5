#pragma once

#include "platform/Result.h"
#include "workout/Decimal.h"
#include "workout/RunFigures.h"

#include <QString>

namespace paceforge {

// How much longer (or shorter) the runs really were: an exact ratio, so that a run corrected to
// its true distance gets exactly that distance. Refused outside kSmallestFactor..kLargestFactor:
// a foot sensor is off by a few percent, and a factor far beyond is a typing error.
class CorrectionFactor
{
public:
    static const Decimal kSmallestFactor; // 0.5
    static const Decimal kLargestFactor; // 2

    // 1: no change.
    CorrectionFactor();
    // 1.04 makes every distance 4 % longer. A factor of exactly 1 is refused: it would rewrite every
    // file to change nothing.
    static Outcome<CorrectionFactor> fromRatio(const Decimal& ratio);
    // The factor in percent: 104 makes every distance 4 % longer.
    static Outcome<CorrectionFactor> fromPercent(const Decimal& percent);
    // The true distance of a run over the distance it recorded, both in one unit.
    static Outcome<CorrectionFactor> fromTrueDistance(const Decimal& trueDistance, const Decimal& recordedDistance);
    // The same for a true distance in kilometres or miles and the kilometres the run records, as the
    // window and the command line take it: miles are turned into kilometres first, so that the run
    // then reads back as exactly the miles given.
    static Outcome<CorrectionFactor> fromTrueDistance(
        const Decimal& trueDistance, DistanceUnit unit, const Decimal& recordedKilometres);

    // New over old, without the limits: the ratio of an edit that changes a recorded run's distance.
    static CorrectionFactor between(const Decimal& newDistance, const Decimal& oldDistance);

    bool isOne() const { return m_numerator == m_denominator; }
    // value × factor, rounded to `decimals` with halves away from zero as document numbers are,
    // unless told otherwise.
    Decimal scaled(
        const Decimal& value, int decimals, Decimal::Rounding rounding = Decimal::Rounding::HalfAwayFromZero) const;
    // value ÷ factor, rounded the same way: a pace, which shrinks as the distance grows.
    Decimal divided(const Decimal& value, int decimals) const;
    double toDouble() const;
    // "1.0417 (+4.17 %)"
    QString text() const;

private:
    CorrectionFactor(Decimal numerator, Decimal denominator);
    Decimal m_numerator;
    Decimal m_denominator;
};

} // namespace paceforge
