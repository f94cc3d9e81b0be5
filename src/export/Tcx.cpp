#include "Tcx.h"

#include "WorkoutSummary.h"

#include <pugixml.hpp>

#include <algorithm>
#include <sstream>
#include <utility>
#include <vector>

namespace paceforge {
namespace {

constexpr int kMaxCalories = 65535; // the schema's unsignedShort

std::string Utf8(const QString& text)
{
    return text.toStdString();
}

std::string Meters(const Decimal& km)
{
    return (km * Decimal::fromInteger(1000)).toPlainString();
}

void AddText(pugi::xml_node parent, const char* name, const std::string& text)
{
    parent.append_child(name).text().set(text.c_str());
}

void AddTrackpoint(pugi::xml_node track, const QDateTime& time, const Decimal& km)
{
    pugi::xml_node point = track.append_child("Trackpoint");
    AddText(point, "Time", Utf8(UtcTimeText(time)));
    AddText(point, "DistanceMeters", Meters(km));
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
    const Decimal sampleMs = workout.sampleSeconds * Decimal::fromInteger(1000);
    Decimal reached;
    for (std::size_t i = 0; i < workout.seriesKm.size(); ++i) {
        const Decimal offset = (Decimal::fromInteger(static_cast<long long>(i)) * sampleMs)
                                   .rounded(0, Decimal::Rounding::HalfAwayFromZero);
        if (offset > Decimal::fromInteger(workout.durationMs))
            break;
        reached = std::min(std::max(reached, workout.seriesKm[i]), workout.distanceKm);
        points.emplace_back(static_cast<qint64>(offset.integerPart()), reached);
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
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";

    pugi::xml_node root = document.append_child("TrainingCenterDatabase");
    root.append_attribute("xmlns") = "http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2";
    root.append_attribute("xmlns:xsi") = "http://www.w3.org/2001/XMLSchema-instance";
    root.append_attribute("xsi:schemaLocation") = "http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2 "
                                                  "http://www.garmin.com/xmlschemas/TrainingCenterDatabasev2.xsd";
    pugi::xml_node activity = root.append_child("Activities").append_child("Activity");
    activity.append_attribute("Sport") = "Running";

    const QDateTime start = workout.start.utc();
    const std::string startText = Utf8(UtcTimeText(start));
    AddText(activity, "Id", startText);
    pugi::xml_node lap = activity.append_child("Lap");
    lap.append_attribute("StartTime") = startText.c_str();
    AddText(lap, "TotalTimeSeconds", Decimal::fromParts(workout.durationMs, 3).toPlainString());
    AddText(lap, "DistanceMeters", Meters(workout.distanceKm));
    AddText(lap, "Calories", std::to_string(WholeCalories(workout.calories)));
    AddText(lap, "Intensity", "Active");
    AddText(lap, "TriggerMethod", "Manual");

    pugi::xml_node track = lap.append_child("Track");
    if (workout.seriesKm.empty()) {
        AddTrackpoint(track, start, Decimal());
        AddTrackpoint(track, start.addMSecs(workout.durationMs), workout.distanceKm);
    } else {
        for (const auto& [ms, km] : TrackPoints(workout))
            AddTrackpoint(track, start.addMSecs(ms), km);
    }

    std::ostringstream bytes;
    document.save(bytes, "  ", pugi::format_indent, pugi::encoding_utf8);
    return std::move(bytes).str();
}

QString TcxFileName(const WorkoutSummary& workout)
{
    const QDate d = workout.start.date;
    const QTime t = workout.start.time;
    return QString::asprintf(
        "%04d-%02d-%02d_%02d-%02d-%02d.tcx", d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

} // namespace paceforge
