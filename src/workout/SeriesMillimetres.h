#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace paceforge {

// A distance series read straight into whole millimetres, for the series of thousands of files:
// the pieces SeriesValues takes and no others (the same rule for damage), without a Decimal per
// value. Values finer than a millimetre are rounded, halves away from zero.
std::optional<std::vector<std::int64_t>> SeriesMillimetres(std::string_view series);

} // namespace paceforge
