#include "RunFigures.h"

#include "Units.h"

namespace paceforge {
namespace {

constexpr long long kSecondsPerMinute = 60;
constexpr long long kSecondsPerHour = 3600;
constexpr long long kMsPerSecond = 1000;

} // namespace

Decimal DistanceIn(const Decimal& kilometres, DistanceUnit unit)
{
    return unit == DistanceUnit::Miles ? KilometresToMiles(kilometres) : kilometres;
}

QString UnitSymbol(DistanceUnit unit)
{
    return unit == DistanceUnit::Miles ? QStringLiteral("mi") : QStringLiteral("km");
}

std::optional<long long> PaceSecondsOver(long long durationMs, const Decimal& distance)
{
    if (distance <= Decimal())
        return std::nullopt;
    return static_cast<long long>(
        Decimal::fromInteger(durationMs)
            .dividedBy(distance * Decimal::fromInteger(kMsPerSecond), 0, Decimal::Rounding::Floor)
            .integerPart());
}

std::optional<long long> PaceSeconds(long long durationMs, const Decimal& kilometres, DistanceUnit unit)
{
    return PaceSecondsOver(durationMs, DistanceIn(kilometres, unit));
}

QString ClockText(long long seconds)
{
    const bool negative = seconds < 0;
    if (negative)
        seconds = -seconds;
    const long long hours = seconds / kSecondsPerHour;
    const long long minutes = seconds / kSecondsPerMinute % kSecondsPerMinute;
    const long long rest = seconds % kSecondsPerMinute;
    const QString sign = negative ? QStringLiteral("-") : QString();
    if (hours > 0)
        return sign + QString::asprintf("%lld:%02lld:%02lld", hours, minutes, rest);
    return sign + QString::asprintf("%lld:%02lld", minutes, rest);
}

QString ElapsedText(long long durationMs)
{
    return ClockText(durationMs / kMsPerSecond);
}

} // namespace paceforge
