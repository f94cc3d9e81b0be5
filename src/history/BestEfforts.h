#pragma once

#include "workout/WorkoutSummary.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace paceforge {

// The distances a runner keeps records for, shortest first.
enum class EffortDistance { Metres400, Kilometre, Mile, Kilometres5, Kilometres10, HalfMarathon, Marathon };
inline constexpr std::size_t kEffortDistanceCount = 7;
inline constexpr std::array<EffortDistance, kEffortDistanceCount> kEffortDistances
    = {EffortDistance::Metres400, EffortDistance::Kilometre, EffortDistance::Mile, EffortDistance::Kilometres5,
        EffortDistance::Kilometres10, EffortDistance::HalfMarathon, EffortDistance::Marathon};

// In whole millimetres, the unit of DistanceSamples: every one of these distances is a whole number
// of them, the mile being the program's (KilometresPerMile).
std::int64_t EffortMillimetres(EffortDistance distance);
// "400 m", "1 km", "1 mile", "5 km", "10 km", "Half marathon", "Marathon".
QString EffortName(EffortDistance distance);
// "400m", "1km", "1mi", "5km", "10km", "half_marathon", "marathon": for files and scripts.
QString EffortKey(EffortDistance distance);

// The fastest stretch of a distance inside one run, on the run's own clock: the device stops it
// during a pause, so a stretch over a pause does not count the pause.
struct BestEffort {
    long long startMs = 0;
    long long durationMs = 0;

    long long endMs() const { return startMs + durationMs; }
    bool operator==(const BestEffort&) const = default;
};

// One run's best efforts; nothing for a distance longer than the run. Kept small, as the history
// holds one per run: an effort that ends more than 2^32 ms (49 days) into a run, which only a
// damaged file can hold, is not kept.
class RunEfforts
{
public:
    // Const, so that an assignment to it does not compile: use set().
    const std::optional<BestEffort> operator[](EffortDistance distance) const;
    void set(EffortDistance distance, const BestEffort& effort);
    bool operator==(const RunEfforts&) const = default;

private:
    std::array<std::uint32_t, kEffortDistanceCount> m_startMs{};
    // Zero for none: no distance is run in no time.
    std::array<std::uint32_t, kEffortDistanceCount> m_durationMs{};
};

// Cumulative distances in whole millimetres, one every sampleSeconds (sums and comparisons of
// them are exact, where kilometres as doubles are not: 5.0251 - 0.0251 is not 5 as a double).
struct DistanceSamples {
    std::span<const std::int64_t> millimetres;
    double sampleSeconds = 0;
};

// The fastest stretch of `distance` millimetres between the first and the last sample, its ends
// placed where the cumulative distance passes a value, linearly between samples; of equally fast
// ones the first. Nothing when the samples cover less. Linear in the samples, which must not
// decrease; times are rounded to the millisecond.
std::optional<BestEffort> FastestStretch(const DistanceSamples& samples, std::int64_t distance);

// The best efforts of a run from its distance series; none at all when the series is absent or
// damaged, or goes back anywhere (a cumulative distance cannot).
RunEfforts BestEffortsOf(const DistanceSamples& samples);
RunEfforts BestEffortsOf(const WorkoutSummary& run);

} // namespace paceforge
