#include "Tcx.h"

#include "workout/WorkoutSummary.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>
#include <utility>
#include <vector>

namespace paceforge {
namespace {

constexpr int kMaxCalories = 65535; // the schema's unsignedShort

std::string Meters(const Decimal& km)
{
    return (km * Decimal::fromInteger(1000)).toPlainString();
}

constexpr char kTwoDigits[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                              "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                              "8081828384858687888990919293949596979899";

void AppendTwoDigits(std::string& text, long long value)
{
    text.append(kTwoDigits + 2 * value, 2);
}

// "2007-07-10T" of a day counted from 1970, by the proleptic Gregorian rules.
std::string DatePrefix(long long days)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shifted = (5 * dayOfYear + 2) / 153;
    const long long day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    const long long month = shifted < 10 ? shifted + 3 : shifted - 9;
    const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    std::string prefix = std::to_string(year);
    prefix.insert(0, prefix.size() < 4 ? 4 - prefix.size() : 0, '0');
    prefix += '-';
    AppendTwoDigits(prefix, month);
    prefix += '-';
    AppendTwoDigits(prefix, day);
    prefix += 'T';
    return prefix;
}

// Writes "2007-07-10T00:37:24Z", or "...24.500Z" with milliseconds, of a time counted in
// milliseconds since 1970 in UTC. Written directly, the date once a day: with a track point every
// ten seconds, date formatting was most of an export's work.
class UtcTimes
{
public:
    static constexpr std::size_t kMaxSize = 40;

    // Writes at `at`, which has room for kMaxSize characters; returns the end.
    char* write(char* at, long long msSinceEpoch)
    {
        long long ms = msSinceEpoch % 1000;
        long long seconds = msSinceEpoch / 1000;
        if (ms < 0) {
            ms += 1000;
            --seconds;
        }
        long long days = seconds / 86400;
        long long ofDay = seconds % 86400;
        if (ofDay < 0) {
            ofDay += 86400;
            --days;
        }
        if (days != m_day || m_prefix.empty()) {
            m_day = days;
            m_prefix = DatePrefix(days);
        }
        const auto two = [&at](long long value) {
            *at++ = kTwoDigits[2 * value];
            *at++ = kTwoDigits[2 * value + 1];
        };
        at = std::copy(m_prefix.begin(), m_prefix.end(), at);
        two(ofDay / 3600);
        *at++ = ':';
        two(ofDay / 60 % 60);
        *at++ = ':';
        two(ofDay % 60);
        if (ms != 0) {
            *at++ = '.';
            *at++ = static_cast<char>('0' + ms / 100);
            two(ms % 100);
        }
        *at++ = 'Z';
        return at;
    }

    void append(std::string& text, long long msSinceEpoch)
    {
        char buffer[kMaxSize];
        text.append(buffer, static_cast<std::size_t>(write(buffer, msSinceEpoch) - buffer));
    }

private:
    long long m_day = 0;
    std::string m_prefix;
};

// The metres of a distance in kilometres, as Decimal writes a plain number, at `at`, which has
// room for kMaxMetersSize characters; returns the end.
constexpr std::size_t kMaxMetersSize = 48;
char* WriteMeters(char* at, const Decimal& km)
{
    if (km.scale() < 3 || km.scale() > 18 || km.mantissa() < 0
        || km.mantissa() > static_cast<Int128>(std::numeric_limits<std::uint64_t>::max())) {
        const std::string meters = Meters(km);
        return std::copy(meters.begin(), meters.end(), at);
    }
    std::uint64_t divisor = 1;
    for (int i = 3; i < km.scale(); ++i)
        divisor *= 10;
    const auto value = static_cast<std::uint64_t>(km.mantissa());
    char digits[kMaxMetersSize];
    char* const end = digits + sizeof digits;
    char* begin = end;
    std::uint64_t fraction = value % divisor;
    int places = km.scale() - 3;
    while (places > 0 && fraction % 10 == 0) {
        fraction /= 10;
        --places;
    }
    for (int i = 0; i < places; ++i, fraction /= 10)
        *--begin = static_cast<char>('0' + fraction % 10);
    if (places > 0)
        *--begin = '.';
    std::uint64_t whole = value / divisor;
    do
        *--begin = static_cast<char>('0' + whole % 10);
    while ((whole /= 10) > 0);
    return std::copy(begin, end, at);
}

// An element on a line of its own, indented by two blanks a level; its text needs no escaping
// (digits, times and the schema's words).
void AppendElement(std::string& text, int level, std::string_view name, std::string_view value)
{
    text.append(static_cast<std::size_t>(2 * level), ' ');
    text.append(1, '<').append(name).append(1, '>').append(value).append("</").append(name).append(">\n");
}

constexpr std::string_view kPointOpen = "          <Trackpoint>\n            <Time>";
constexpr std::string_view kPointMiddle = "</Time>\n            <DistanceMeters>";
constexpr std::string_view kPointClose = "</DistanceMeters>\n          </Trackpoint>\n";

constexpr std::size_t kMaxPointSize
    = kPointOpen.size() + UtcTimes::kMaxSize + kPointMiddle.size() + kMaxMetersSize + kPointClose.size();

char* WriteTrackpoint(char* at, UtcTimes& times, long long msSinceEpoch, const Decimal& km)
{
    at = std::copy(kPointOpen.begin(), kPointOpen.end(), at);
    at = times.write(at, msSinceEpoch);
    at = std::copy(kPointMiddle.begin(), kPointMiddle.end(), at);
    at = WriteMeters(at, km);
    return std::copy(kPointClose.begin(), kPointClose.end(), at);
}

long long WholeCalories(const std::optional<Decimal>& calories)
{
    if (!calories)
        return 0;
    const Decimal rounded = calories->rounded(0, Decimal::Rounding::HalfAwayFromZero);
    return rounded > Decimal::fromInteger(kMaxCalories) ? kMaxCalories : static_cast<long long>(rounded.integerPart());
}

// The samples up to the lap's end, and a last point at the lap's totals where they fall short, so
// that a tool reading the distance off the track finds the lap's. A sample above the total (a series
// can overshoot, as an extended one can run past the duration) is held at the total rather than
// dropped, which would leave a gap in the ten-second steps; the distance never goes back.
std::vector<std::pair<qint64, Decimal>> TrackPoints(const WorkoutSummary& workout)
{
    std::vector<std::pair<qint64, Decimal>> points;
    points.reserve(workout.seriesKm.size() + 1);
    const Decimal sampleMs = workout.sampleSeconds * Decimal::fromInteger(1000);
    // Whole milliseconds a sample, as every device writes: the offsets are counted, not multiplied.
    const bool wholeMs = sampleMs.isInteger();
    const long long stepMs = wholeMs ? static_cast<long long>(sampleMs.integerPart()) : 0;
    Decimal reached;
    for (std::size_t i = 0; i < workout.seriesKm.size(); ++i) {
        const long long offset = wholeMs
            ? static_cast<long long>(i) * stepMs
            : static_cast<long long>((Decimal::fromInteger(static_cast<long long>(i)) * sampleMs)
                                         .rounded(0, Decimal::Rounding::HalfAwayFromZero)
                                         .integerPart());
        if (offset > workout.durationMs)
            break;
        const Decimal& sample = workout.seriesKm[i];
        if (reached < sample)
            reached = sample < workout.distanceKm ? sample : workout.distanceKm;
        points.emplace_back(offset, reached);
    }
    if (!points.empty() && points.back().first == workout.durationMs)
        points.back().second = workout.distanceKm;
    else
        points.emplace_back(workout.durationMs, workout.distanceKm);
    return points;
}

} // namespace

std::string TcxDocument(const WorkoutSummary& workout)
{
    const long long start = workout.start.utc().toMSecsSinceEpoch();
    UtcTimes times;
    std::string startText;
    times.append(startText, start);
    std::string text;
    text.reserve(1024);
    text.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                "<TrainingCenterDatabase xmlns=\"http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2\" "
                "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                "xsi:schemaLocation=\"http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2 "
                "http://www.garmin.com/xmlschemas/TrainingCenterDatabasev2.xsd\">\n"
                "  <Activities>\n"
                "    <Activity Sport=\"Running\">\n");
    AppendElement(text, 3, "Id", startText);
    text.append("      <Lap StartTime=\"").append(startText).append("\">\n");
    AppendElement(text, 4, "TotalTimeSeconds", Decimal::fromParts(workout.durationMs, 3).toPlainString());
    AppendElement(text, 4, "DistanceMeters", Meters(workout.distanceKm));
    AppendElement(text, 4, "Calories", std::to_string(WholeCalories(workout.calories)));
    AppendElement(text, 4, "Intensity", "Active");
    AppendElement(text, 4, "TriggerMethod", "Manual");
    text.append("        <Track>\n");
    // Each point is put together in place and appended whole: there is one every ten seconds of
    // every run.
    const std::vector<std::pair<qint64, Decimal>> points = workout.seriesKm.empty()
        ? std::vector<std::pair<qint64, Decimal>>{{0, Decimal()}, {workout.durationMs, workout.distanceKm}}
        : TrackPoints(workout);
    text.reserve(text.size() + 128 * points.size() + 256);
    char point[kMaxPointSize];
    for (const auto& [ms, km] : points)
        text.append(point, static_cast<std::size_t>(WriteTrackpoint(point, times, start + ms, km) - point));
    text.append("        </Track>\n"
                "      </Lap>\n"
                "    </Activity>\n"
                "  </Activities>\n"
                "</TrainingCenterDatabase>\n");
    return text;
}

QString TcxFileName(const WorkoutSummary& workout)
{
    const QDate d = workout.start.date;
    const QTime t = workout.start.time;
    return QString::asprintf(
        "%04d-%02d-%02d_%02d-%02d-%02d.tcx", d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

} // namespace paceforge
