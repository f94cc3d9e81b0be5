#pragma once

#include "StoredWorkout.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace paceforge {

class FileSystem;

// The one rule for "one workout", which the list, the history and its totals, the exports, the
// statistics and the correction all count by. Two files of a sensor folder that share a name
// (letter case aside) are one workout when they are one file (the same identity, however their
// paths are spelt: a folder linked to the other), or when they hold the same bytes in the latest
// and the synched folder, as a workout saved into both is. Two such files with other bytes are two
// versions of a run: both are kept, and marked. A run reaches a store twice in no other way, so
// files of other names are never compared.
// Whether the files at the two positions hold the same bytes; by default both are read.
using SameBytes = std::function<bool(std::size_t a, std::size_t b)>;

// Sets `workout` and `namesake` of every file: each workout is stood for by one record (the
// synched file of a workout kept in both folders, the file itself otherwise), which the others of
// its workout point to.
void MarkSameWorkouts(std::vector<StoredWorkout>& files, const FileSystem& fileSystem, const SameBytes& sameBytes = {});

} // namespace paceforge
