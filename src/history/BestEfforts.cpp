#include "BestEfforts.h"

#include "workout/Units.h"

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace paceforge {
namespace {

constexpr int kMillimetreDecimals = 6;
constexpr double kMsPerSecond = 1000.0;

std::int64_t Millimetres(const Decimal& km)
{
    // A finer value than a millimetre only comes from a series written by hand: no run shows it.
    const Decimal exact
        = km.scale() > kMillimetreDecimals ? km.rounded(kMillimetreDecimals, Decimal::Rounding::HalfAwayFromZero) : km;
    Int128 mantissa = exact.mantissa();
    for (int scale = exact.scale(); scale < kMillimetreDecimals; ++scale)
        mantissa *= 10;
    return static_cast<std::int64_t>(mantissa);
}

// Lengths in samples that differ by less are equal, of which the first found stays: what the
// divisions leave of exact ties.
constexpr double kTieSamples = 1e-9;

struct Stretch {
    // In samples from the first.
    double start = 0;
    double length = std::numeric_limits<double>::infinity();
};

// The fastest stretch of each distance, all found in one pass: the pointers of the distances do
// not wait for each other, where one distance after the other is a chain of dependent loads. The
// distances are the shortest first, none longer than what the samples cover.
void FindFastest(std::span<const std::int64_t> d, std::span<const std::int64_t> distances, std::span<Stretch> best)
{
    // The distance grows linearly between samples, so the length of a stretch changes linearly while
    // both ends stay between the same two samples: the fastest one starts or ends on a sample. A
    // candidate is compared by a product, and divided out only when it is the fastest so far.
    const std::size_t n = d.size();
    const std::size_t count = distances.size();
    // For each distance, the first sample at or past the current start's distance plus it.
    std::array<std::size_t, kEffortDistanceCount> ends;
    ends.fill(1);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        for (std::size_t e = 0; e < count; ++e) {
            const std::int64_t target = d[i] + distances[e];
            if (target > d.back())
                break;
            std::size_t j = ends[e];
            while (d[j] < target)
                ++j;
            Stretch& fastest = best[e];
            // Starting on sample i, it ends at whole + over / gap samples from it, over in (0, gap].
            const auto whole = static_cast<double>(j - 1 - i);
            const auto gap = static_cast<double>(d[j] - d[j - 1]);
            const auto over = static_cast<double>(target - d[j - 1]);
            if (over < (fastest.length - kTieSamples - whole) * gap)
                fastest = {static_cast<double>(i), whole + over / gap};
            // Ending on a sample k before the next start's end, it starts between i and i + 1.
            const std::int64_t next = d[i + 1] + distances[e];
            const auto step = static_cast<double>(d[i + 1] - d[i]);
            for (; j < n && d[j] < next; ++j) {
                // Its length is (j - i) - under / step, under in [0, step).
                const auto under = static_cast<double>(d[j] - distances[e] - d[i]);
                const auto length = static_cast<double>(j - i);
                if (under > (length - fastest.length + kTieSamples) * step)
                    fastest = {static_cast<double>(i) + under / step, length - under / step};
            }
            ends[e] = j;
        }
    }
}

BestEffort InMilliseconds(const Stretch& stretch, double sampleSeconds)
{
    const double msPerSample = sampleSeconds * kMsPerSecond;
    return {std::llround(stretch.start * msPerSample), std::llround(stretch.length * msPerSample)};
}

bool Usable(const DistanceSamples& samples)
{
    return samples.millimetres.size() >= 2 && samples.sampleSeconds > 0;
}

} // namespace

const std::optional<BestEffort> RunEfforts::operator[](EffortDistance distance) const
{
    const auto at = static_cast<std::size_t>(distance);
    if (m_durationMs[at] == 0)
        return std::nullopt;
    return BestEffort{m_startMs[at], m_durationMs[at]};
}

void RunEfforts::set(EffortDistance distance, const BestEffort& effort)
{
    const auto at = static_cast<std::size_t>(distance);
    const bool fits
        = effort.startMs >= 0 && effort.durationMs > 0 && effort.endMs() <= std::numeric_limits<std::uint32_t>::max();
    m_startMs[at] = fits ? static_cast<std::uint32_t>(effort.startMs) : 0;
    m_durationMs[at] = fits ? static_cast<std::uint32_t>(effort.durationMs) : 0;
}

std::int64_t EffortMillimetres(EffortDistance distance)
{
    static const std::int64_t mile = Millimetres(KilometresPerMile());
    switch (distance) {
    case EffortDistance::Metres400:
        return 400'000;
    case EffortDistance::Kilometre:
        return 1'000'000;
    case EffortDistance::Mile:
        return mile;
    case EffortDistance::Kilometres5:
        return 5'000'000;
    case EffortDistance::Kilometres10:
        return 10'000'000;
    case EffortDistance::HalfMarathon:
        return 21'097'500;
    case EffortDistance::Marathon:
        return 42'195'000;
    }
    return 0;
}

QString EffortName(EffortDistance distance)
{
    switch (distance) {
    case EffortDistance::Metres400:
        return QStringLiteral("400 m");
    case EffortDistance::Kilometre:
        return QStringLiteral("1 km");
    case EffortDistance::Mile:
        return QStringLiteral("1 mile");
    case EffortDistance::Kilometres5:
        return QStringLiteral("5 km");
    case EffortDistance::Kilometres10:
        return QStringLiteral("10 km");
    case EffortDistance::HalfMarathon:
        return QStringLiteral("Half marathon");
    case EffortDistance::Marathon:
        return QStringLiteral("Marathon");
    }
    return {};
}

QString EffortKey(EffortDistance distance)
{
    switch (distance) {
    case EffortDistance::Metres400:
        return QStringLiteral("400m");
    case EffortDistance::Kilometre:
        return QStringLiteral("1km");
    case EffortDistance::Mile:
        return QStringLiteral("1mi");
    case EffortDistance::Kilometres5:
        return QStringLiteral("5km");
    case EffortDistance::Kilometres10:
        return QStringLiteral("10km");
    case EffortDistance::HalfMarathon:
        return QStringLiteral("half_marathon");
    case EffortDistance::Marathon:
        return QStringLiteral("marathon");
    }
    return {};
}

std::optional<BestEffort> FastestStretch(const DistanceSamples& samples, std::int64_t distance)
{
    const std::span<const std::int64_t> d = samples.millimetres;
    if (!Usable(samples) || distance <= 0 || d.back() - d.front() < distance)
        return std::nullopt;
    Stretch best;
    FindFastest(d, std::span(&distance, 1), std::span(&best, 1));
    return InMilliseconds(best, samples.sampleSeconds);
}

RunEfforts BestEffortsOf(const DistanceSamples& samples)
{
    RunEfforts efforts;
    const std::span<const std::int64_t> d = samples.millimetres;
    if (!Usable(samples))
        return efforts;
    for (std::size_t i = 1; i < d.size(); ++i)
        if (d[i] < d[i - 1])
            return efforts;
    // The distances the run covers.
    std::array<std::int64_t, kEffortDistanceCount> distances{};
    std::size_t count = 0;
    while (count < kEffortDistanceCount && EffortMillimetres(kEffortDistances[count]) <= d.back() - d.front()) {
        distances[count] = EffortMillimetres(kEffortDistances[count]);
        ++count;
    }
    std::array<Stretch, kEffortDistanceCount> best;
    FindFastest(d, std::span(distances.data(), count), std::span(best.data(), count));
    for (std::size_t e = 0; e < count; ++e)
        efforts.set(kEffortDistances[e], InMilliseconds(best[e], samples.sampleSeconds));
    return efforts;
}

RunEfforts BestEffortsOf(const WorkoutSummary& run)
{
    std::vector<std::int64_t> millimetres;
    millimetres.reserve(run.seriesKm.size());
    for (const Decimal& km : run.seriesKm)
        millimetres.push_back(Millimetres(km));
    return BestEffortsOf(DistanceSamples{millimetres, run.sampleSeconds.toDouble()});
}

} // namespace paceforge
