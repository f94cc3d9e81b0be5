#pragma once

#include "BestEfforts.h"
#include "export/Exporter.h"
#include "store/Catalogue.h"
#include "store/StoredWorkout.h"
#include "workout/Decimal.h"
#include "workout/WorkoutSummary.h"

#include <QString>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace paceforge {

class FileSystem;
class AlteredSignatures;
class HistoryCache;

// One workout file of the history: what its document says and its best efforts, never its series
// (read a chosen run's series with ReadWorkoutFile), or why it could not be read.
struct HistoryEntry {
    StoredWorkout file;
    // Why the file could not be read as a workout, naming it.
    std::optional<QString> problem;
    // From the document's runSummary/time: the wall time where the run took place.
    StartTime start;
    long long durationMs = 0;
    Decimal distanceKm;
    // Nothing when the document leaves the calories blank.
    std::optional<long long> calories;
    // Signed by the device, and its signature still holds as far as this computer knows.
    bool signedByDevice = false;
    // Signed by the device, then changed by Paceforge: the signature no longer holds.
    bool signatureAltered = false;
    RunEfforts efforts;

    bool readable() const { return !problem; }
};

// Reads a history a few files at a time, so that a window can fill its table as it goes and stop
// at any point, or all at once: one entry per workout listed (a catalogue's ListedWorkouts, each
// workout once). A file is read only when the cache has no entry for its path, size and
// last-write time. A reader may work on another thread than the one that made it, but on one
// thread at a time.
class HistoryReader
{
public:
    // The cache, when given, must outlive the reader.
    HistoryReader(std::vector<StoredWorkout> files, const FileSystem& fileSystem, HistoryCache* cache = nullptr);
    // The signed files Paceforge changed; must outlive the reader. Without it a signed file is
    // taken to be as the device signed it.
    void setAlteredSignatures(const AlteredSignatures* altered);
    ~HistoryReader();
    HistoryReader(const HistoryReader&) = delete;
    HistoryReader& operator=(const HistoryReader&) = delete;

    std::size_t total() const;
    std::size_t done() const;
    bool finished() const { return done() == total(); }

    // Reads at most `count` more files and returns their entries, one per file in the files'
    // order; the span stays valid until the next call that reads.
    std::span<const HistoryEntry> readMore(std::size_t count);
    // Reads every file left.
    const std::vector<HistoryEntry>& readAll();
    const std::vector<HistoryEntry>& entries() const;
    // The entries read, moved out; the reader then has none (call saveCache first).
    std::vector<HistoryEntry> takeEntries();
    // How many of the entries read came from the cache.
    std::size_t cachedEntries() const;

    // Writes the cache (atomically, in the cache's folder): the entries read, and the cache's own
    // entries of files not read yet; entries of files that changed or are gone are dropped.
    // Nothing to do without a cache.
    [[nodiscard]] Result saveCache();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// The workouts at the given indices, as a correction or an export takes them.
std::vector<StoredWorkout> WorkoutsOf(const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection);
ExportSelection ExportSelectionOf(const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection);

// The whole history at once, the cache written when given (a cache that cannot be written costs
// only time at the next reading).
std::vector<HistoryEntry> ReadHistory(std::vector<StoredWorkout> files, const FileSystem& fileSystem,
    HistoryCache* cache = nullptr, const AlteredSignatures* altered = nullptr);

} // namespace paceforge
