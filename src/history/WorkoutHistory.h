#pragma once

#include "compose/DistanceCorrection.h"
#include "export/Exporter.h"
#include "export/WorkoutSummary.h"
#include "store/Catalogue.h"
#include "workout/Decimal.h"

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
class HistoryCache;

// A workout file of an iPod, with what a change to it needs to know: the iPod's volume name and
// the sensor folder (for the backups) and the sensor's latest folder (where an edit goes).
struct HistoryFile {
    QString volume;
    std::string sensor;
    // The drive root of the iPod; the cache keeps one file per iPod.
    SharedPath ipodRoot;
    // The latest or synched folder that holds the file, as the disk spells it.
    SharedPath folder;
    std::string fileName;
    bool synched = false;
    SharedPath latestFolder;
    SharedPath synchedFolder;

    std::filesystem::path fullPath() const { return folder.get() / fileName; }
};

// The files behind a built catalogue's rows, in the rows' order.
std::vector<HistoryFile> HistoryFiles(const CatalogueBuild& build);

// One workout file of the history: what its document says, never its series (read a chosen run's
// series with ReadWorkoutFile), or why it could not be read.
struct HistoryEntry {
    HistoryFile file;
    // Empty when the document was read; else why not, naming the file.
    QString problem;
    // From the document's runSummary/time: the wall time where the run took place.
    StartTime start;
    long long durationMs = 0;
    Decimal distanceKm;
    // Nothing when the document leaves the calories blank.
    std::optional<long long> calories;
    bool signedByDevice = false;
    // The index of the first entry that holds the same workout: the same bytes in latest and
    // synched of one sensor folder, or one file reached twice (a linked folder). An entry that is
    // the first of its workout holds its own index. Totals count each workout once.
    std::size_t workout = 0;

    bool readable() const { return problem.isEmpty(); }
};

// Reads a history a few files at a time, so that a window can fill its table as it goes and stop
// at any point, or all at once. A file is read only when the cache has no entry for its path,
// size and last-write time. A reader may work on another thread than the one that made it, but
// on one thread at a time.
class HistoryReader
{
public:
    // The cache, when given, must outlive the reader.
    HistoryReader(std::vector<HistoryFile> files, const FileSystem& fileSystem, HistoryCache* cache = nullptr);
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

// The runs at the given indices as a correction or an export takes them.
std::vector<CorrectionRun> CorrectionRuns(
    const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection);
ExportSelection ExportSelectionOf(const std::vector<HistoryEntry>& entries, std::span<const std::size_t> selection);

// The whole history at once, the cache written when given (a cache that cannot be written costs
// only time at the next reading).
std::vector<HistoryEntry> ReadHistory(
    std::vector<HistoryFile> files, const FileSystem& fileSystem, HistoryCache* cache = nullptr);

} // namespace paceforge
