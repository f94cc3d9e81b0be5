#include "Csv.h"

#include "workout/RunFigures.h"
#include "workout/WorkoutSummary.h"

#include <array>

namespace paceforge {
namespace {

std::string Utf8(const QString& text)
{
    return text.toStdString();
}

std::string TwoDigits(long long value)
{
    std::string digits = std::to_string(value);
    if (value < 10)
        digits.insert(digits.begin(), '0');
    return digits;
}

std::string HoursMinutesSeconds(long long durationMs)
{
    const long long seconds = durationMs / 1000;
    return std::to_string(seconds / 3600) + ':' + TwoDigits(seconds / 60 % 60) + ':' + TwoDigits(seconds % 60);
}

std::string Optional(const std::optional<Decimal>& value)
{
    return value ? value->toPlainString() : std::string();
}

std::string Row(const std::array<std::string, 13>& fields)
{
    std::string row;
    for (const std::string& field : fields) {
        if (!row.empty())
            row += ',';
        row += CsvField(field);
    }
    return row + "\r\n";
}

} // namespace

std::string CsvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string CsvHeader()
{
    return Row({"Date", "Start", "Duration (s)", "Duration", "Distance (km)", "Distance (mi)", "Pace (min/km)",
        "Pace (min/mi)", "Calories", "Weight (kg)", "Sensor", "Synched", "File"});
}

std::string CsvRow(const WorkoutSummary& workout, std::string_view sensor, bool synched, std::string_view fileName)
{
    return Row({Utf8(workout.start.date.toString(Qt::ISODate)), Utf8(LocalTimeWithOffset(workout.start)),
        Decimal::fromParts(workout.durationMs, 3).toPlainString(), HoursMinutesSeconds(workout.durationMs),
        workout.distanceKm.toFixedString(4), workout.distanceMiles.toFixedString(4),
        PaceText(workout.durationMs, workout.distanceKm), PaceText(workout.durationMs, workout.distanceMiles),
        Optional(workout.calories), Optional(workout.weightKg), std::string(sensor), synched ? "Yes" : "No",
        std::string(fileName)});
}

std::string PaceText(long long durationMs, const Decimal& distance)
{
    const auto seconds = PaceSecondsOver(durationMs, distance);
    if (!seconds)
        return {};
    return std::to_string(*seconds / 60) + ':' + TwoDigits(*seconds % 60);
}

} // namespace paceforge
