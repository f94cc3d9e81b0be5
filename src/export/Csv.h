#pragma once

#include "workout/Decimal.h"

#include <string>
#include <string_view>

namespace paceforge {

struct WorkoutSummary;

// One field as RFC 4180 wants it: quoted, with quotes doubled, when it holds a comma, a quote or
// a line end.
std::string CsvField(std::string_view text);

// The header row and one row per workout file, each ending in CR LF; numbers use "." whatever
// the user's locale, so that every spreadsheet reads them alike.
std::string CsvHeader();
std::string CsvRow(const WorkoutSummary& workout, std::string_view sensor, bool synched, std::string_view fileName);

// Minutes and whole seconds per unit of distance, cut as the device cuts its pace: 1656.364 s
// over 5.2131 km is "5:17". Empty for a distance of zero.
std::string PaceText(long long durationMs, const Decimal& distance);

} // namespace paceforge
