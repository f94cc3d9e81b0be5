#pragma once

#include <QString>

#include <string>

namespace paceforge {

struct WorkoutSummary;

// A Training Center Database (v2) document with one running activity of one lap. The iPod knows
// no positions, so the track carries times and distances alone: one point per sample of the
// series up to the lap's end and one at the lap's totals, or the start and the end when the file
// has no usable series.
std::string TcxDocument(const WorkoutSummary& workout);

// "2024-03-11_08-28-38.tcx": the wall time of the start, as in the workout file.
QString TcxFileName(const WorkoutSummary& workout);

} // namespace paceforge
