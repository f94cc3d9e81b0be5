#pragma once

#include "Decimal.h"
#include "platform/XmlDocument.h"

#include <QString>

#include <string>
#include <vector>

namespace paceforge {

// Document numbers: "." and halves rounded away from zero, whatever the user's locale.
std::string FormatDistancePattern(const Decimal& km); // "##########0.0000"
std::string FormatMilesPattern(const Decimal& miles); // "##########0.00"
// "#########0.000" of the kilometres cut (not rounded) to three decimals: 3.04859 gives "3.048".
std::string KilometresCutText(const Decimal& km);

// The nodes a save writes, each found by single-step child lookups from sportsData. A member is
// empty when the document lacks it; sportsData is empty unless it is the document element.
struct WorkoutNodes {
    pugi::xml_node sportsData, runSummary, time, duration, durationString, distance, distanceString, pace, calories,
        stepCounts, walkBegin, walkEnd, runBegin, runEnd, extendedData, userInfo, weight, empedID, startTime;
    pugi::xml_attribute distanceUnit, dataType, intervalType, intervalUnit, intervalValue;
};
WorkoutNodes FindWorkoutNodes(const XmlDocument& document);

// The distance samples: the first extendedData below extendedDataList whose dataType is
// "distance" or not given. A save writes the first extendedData, whatever its type; readers take
// the distances.
pugi::xml_node DistanceData(pugi::xml_node sportsData);

// What a save would have to write but cannot find, as paths below sportsData in the order of the
// format table ("runSummary/pace", "runSummary/distance@unit"); just "sportsData" when the document
// element is missing or named otherwise. A missing container is named once, without its children.
// Empty when the save can go ahead.
std::vector<QString> MissingContent(const XmlDocument& document, bool newWorkout);

} // namespace paceforge
