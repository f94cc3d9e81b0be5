#pragma once

#include "platform/Result.h"
#include "platform/XmlDocument.h"
#include "workout/Decimal.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace paceforge {

class FileSystem;

// A workout's start as the file holds it: the wall time where the run took place and that place's
// offset from UTC.
struct StartTime {
    QDate date;
    QTime time;
    int offsetSeconds = 0;

    QDateTime utc() const;
};

// "2007-07-09T20:37:24-04:00", "…Z" or "…+02:00"; nothing for any other form, an impossible date
// or time, or a missing offset (the wall time alone does not say when the run was).
std::optional<StartTime> ParseStartTime(std::string_view text);
// "2007-07-10T00:37:24Z", with milliseconds only when there are any.
QString UtcTimeText(const QDateTime& utc);
// "06:45:12-04:00"; a UTC start is "+00:00".
QString LocalTimeWithOffset(const StartTime& start);

// What an export takes from a workout document, distances in both units.
struct WorkoutSummary {
    StartTime start;
    long long durationMs = 0;
    Decimal distanceKm;
    Decimal distanceMiles;
    std::optional<Decimal> calories;
    std::optional<Decimal> weightKg;
    // Cumulative kilometres, one every sampleSeconds; empty when the file has no usable series.
    std::vector<Decimal> seriesKm;
    Decimal sampleSeconds;
    bool signedByDevice = false;
};

// Newer firmware signs its files: the last element of sportsData is an xmldsig Signature.
bool IsSignedWorkout(const XmlDocument& document);

// Fails, with a text naming the file, when the document is not a sportsData document or lacks a
// readable start or duration. A blank calories or weight, or a damaged series, is no failure.
// A list of many workouts skips the series, which is most of a file's numbers.
enum class SeriesReading { Read, Skip };
Outcome<WorkoutSummary> ReadWorkoutSummary(
    const XmlDocument& document, const QString& fileName, SeriesReading series = SeriesReading::Read);
Outcome<WorkoutSummary> ReadWorkoutFile(const std::filesystem::path& path, const FileSystem& fileSystem);

// The series of a summary read with SeriesReading::Skip, in whole millimetres: the element, unit
// and damage rules of seriesKm, without a Decimal per sample, for a history of thousands of runs.
struct MillimetreSeries {
    std::vector<std::int64_t> millimetres;
    double sampleSeconds = 0;
};
// Empty when the document has no usable series.
MillimetreSeries ReadSeriesMillimetres(const XmlDocument& document, const WorkoutSummary& summary);

} // namespace paceforge
