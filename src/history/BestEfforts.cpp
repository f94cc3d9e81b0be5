#include "BestEfforts.h"

#include "workout/Units.h"

#include <cmath>
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

// The best stretch so far, kept to the millisecond: a later one must be a millisecond faster, or
// the rounding of equally fast ones would pick one at random.
class Stretch
{
public:
    explicit Stretch(double msPerSample) : m_msPerSample(msPerSample) { }

    // Ends in samples from the first.
    void consider(double from, double to)
    {
        const long long durationMs = std::llround((to - from) * m_msPerSample);
        if (!m_best || durationMs < m_best->durationMs)
            m_best = BestEffort{std::llround(from * m_msPerSample), durationMs};
    }
    const std::optional<BestEffort>& best() const { return m_best; }

private:
    double m_msPerSample;
    std::optional<BestEffort> m_best;
};

} // namespace

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
    const std::size_t n = d.size();
    if (n < 2 || distance <= 0 || samples.sampleSeconds <= 0 || d.back() - d.front() < distance)
        return std::nullopt;
    // The distance grows linearly between samples, so the length of a stretch changes linearly while
    // both ends stay between the same two samples: the fastest one starts or ends on a sample.
    Stretch best(samples.sampleSeconds * kMsPerSecond);
    // Starting on a sample, it ends where the distance first reaches the sample's plus `distance`.
    std::size_t j = 1;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const std::int64_t target = d[i] + distance;
        if (target > d.back())
            break;
        while (d[j] < target)
            ++j;
        const double end = static_cast<double>(j - 1)
            + static_cast<double>(target - d[j - 1]) / static_cast<double>(d[j] - d[j - 1]);
        best.consider(static_cast<double>(i), end);
    }
    // Ending on a sample, it starts where the distance last stood at the sample's minus `distance`.
    std::size_t i = 0;
    for (std::size_t k = 1; k < n; ++k) {
        const std::int64_t target = d[k] - distance;
        if (target < d.front())
            continue;
        while (d[i + 1] <= target)
            ++i;
        const double start
            = static_cast<double>(i) + static_cast<double>(target - d[i]) / static_cast<double>(d[i + 1] - d[i]);
        best.consider(start, static_cast<double>(k));
    }
    return best.best();
}

RunEfforts BestEffortsOf(const WorkoutSummary& run)
{
    RunEfforts efforts;
    if (run.seriesKm.size() < 2)
        return efforts;
    std::vector<std::int64_t> millimetres;
    millimetres.reserve(run.seriesKm.size());
    for (const Decimal& km : run.seriesKm) {
        millimetres.push_back(Millimetres(km));
        if (millimetres.size() > 1 && millimetres.back() < millimetres[millimetres.size() - 2])
            return efforts;
    }
    const DistanceSamples samples{millimetres, run.sampleSeconds.toDouble()};
    for (const EffortDistance distance : kEffortDistances) {
        efforts[distance] = FastestStretch(samples, EffortMillimetres(distance));
        // A longer distance is no nearer when a shorter one is out of reach.
        if (!efforts[distance])
            break;
    }
    return efforts;
}

} // namespace paceforge
