#pragma once

#include "Decimal.h"

#include <QString>

#include <optional>

namespace paceforge {

// The unit a distance or a pace is shown in; documents keep kilometres whatever the user reads.
enum class DistanceUnit { Kilometres, Miles };

// The distance in that unit: miles as the conversions give them, to four decimals.
Decimal DistanceIn(const Decimal& kilometres, DistanceUnit unit);
// "km" or "mi".
QString UnitSymbol(DistanceUnit unit);

// The one pace rule of the program's figures (the history, its totals and charts, the statistics,
// the exports): whole seconds per unit of distance, the fraction cut as the device cuts the paces
// it records, so that 505.6 s per mile is 8:25 everywhere. Nothing for no distance.
std::optional<long long> PaceSecondsOver(long long durationMs, const Decimal& distance);
std::optional<long long> PaceSeconds(long long durationMs, const Decimal& kilometres, DistanceUnit unit);
// "5:17", "1:02:06": minutes and seconds, with hours only when there are any.
QString ClockText(long long seconds);
// A duration as the device shows it, the seconds cut rather than rounded: 1656364 ms gives "27:36".
QString ElapsedText(long long durationMs);

} // namespace paceforge
