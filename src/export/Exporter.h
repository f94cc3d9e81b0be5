#pragma once

#include "platform/Result.h"
#include "store/Records.h"

#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace paceforge {

class FileSystem;

// What an export reads: workouts in their order, and the iPods they come from, which it never
// writes into.
struct ExportSelection {
    // Each workout once (a catalogue's ListedWorkouts).
    std::vector<StoredWorkout> workouts;
    std::vector<std::filesystem::path> ipodRoots;
};
ExportSelection SelectionOf(const iPodRecord& ipod, const std::vector<CatalogueRow>& rows);

struct SkippedFile {
    std::filesystem::path path;
    // Names the file.
    QString reason;
};

struct ExportReport {
    int workouts = 0;
    std::vector<std::filesystem::path> written;
    std::vector<SkippedFile> skipped;
    bool cancelled = false;
    // Why writing stopped the export early.
    std::optional<QString> writeError;
};

// Called after each workout (and once before the first); returning false cancels the export.
using ExportProgress = std::function<bool(int done, int total)>;

// Exports the workouts of built catalogues (BuildCatalogue) into files outside the iPods. The
// iPods are only read; every output file is replaced only when its new bytes are complete, and a
// workout that cannot be read is skipped and named in the report.
class Exporter
{
public:
    explicit Exporter(FileSystem& fileSystem);

    // One TCX file per workout into the folder, made when missing. Names that two workouts would
    // share get "-2", "-3".
    ExportReport exportTcx(
        const ExportSelection& selection, const std::filesystem::path& folder, const ExportProgress& progress = {});
    // One CSV file with a row for every workout; nothing is written when cancelled.
    ExportReport exportCsv(
        const ExportSelection& selection, const std::filesystem::path& file, const ExportProgress& progress = {});
    // The window's export of one selected workout of `ipod`.
    Result exportWorkoutTcx(
        const iPodRecord& ipod, const std::filesystem::path& workoutFile, const std::filesystem::path& target);

private:
    FileSystem& m_fileSystem;
};

} // namespace paceforge
