#pragma once

#include "workout/Decimal.h"

#include <pugixml.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace paceforge {

// The series text for a distance and a duration, built fresh, extended or cut from `existing`.
std::string DistanceSeriesText(std::string_view existing, const Decimal& kilometres, long long totalSeconds);

// Sets the four attributes (dataType "distance", intervalType "time", intervalUnit "s",
// intervalValue "10"), only those that exist.
void SetSeriesAttributes(pugi::xml_node extendedData);

// Sets the four attributes (dataType "distance", intervalType "time", intervalUnit "s",
// intervalValue "10"), only those that exist, and returns the series for the element's current
// text. The caller writes the returned text into the element.
std::string DistanceSeries(pugi::xml_node extendedData, const Decimal& kilometres, long long totalSeconds);

} // namespace paceforge
