#pragma once

#include "platform/Result.h"
#include "platform/XmlDocument.h"
#include "workout/Decimal.h"
#include "workout/RunFigures.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace paceforge {

class FileSystem;

// One split as the device recorded it (a snapShot of the kmSplit or mileSplit list), and the split
// alone: what it adds to the one before.
struct Split {
    // From 1, in the list's order.
    int number = 0;
    // The run's time and distance when the split ended.
    long long durationMs = 0;
    Decimal distanceKm;
    // The pace the device wrote, untouched: in its files, the average so far in ms per km.
    std::optional<Decimal> recordedPace;
    // Time and distance since the split before; nothing when the recorded values go back.
    std::optional<long long> splitMs;
    std::optional<Decimal> splitKm;
    // The split's own pace, in whole seconds per the list's unit.
    std::optional<long long> paceSeconds;
};

struct SplitTable {
    std::vector<Split> kilometres;
    std::vector<Split> miles;
};

// The first kmSplit and mileSplit lists of the document; a snapshot without a readable duration
// and distance is left out. Empty lists for a document that has none.
SplitTable SplitTableOf(const XmlDocument& document);
// Of a chosen run's file; fails, naming it, when it cannot be read.
Outcome<SplitTable> ReadSplitTable(const std::filesystem::path& path, const FileSystem& fileSystem);

} // namespace paceforge
