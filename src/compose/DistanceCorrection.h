#pragma once

#include "CorrectionFactor.h"

#include "platform/Result.h"
#include "platform/XmlDocument.h"
#include "store/StoredWorkout.h"
#include "workout/Decimal.h"
#include "workout/WorkoutSummary.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace paceforge {

class AlteredSignatures;
class Backups;
class FileSystem;

// A workout document with the correction made, and the figures a preview shows of it.
struct CorrectedWorkout {
    XmlDocument document;
    StartTime start;
    long long durationMs = 0;
    Decimal oldDistanceKm;
    Decimal newDistanceKm;
    // runSummary/pace as the document holds it before and after: "5:17 min/km".
    std::string oldPace;
    std::string newPace;
};

// Rescales a copy of the document: runSummary's distance (four decimals), distanceString and pace
// in the units they had, every distance sample (four decimals; the series keeps its length, its
// times and its separators), the km and mile splits recomputed from the rescaled samples, and
// the userClick snapshots' distances and paces. Every other byte stays as it was. Fails, naming
// the file, for a document that is not a workout, has no distance, or has splits but no series
// to recompute them from.
Outcome<CorrectedWorkout> CorrectWorkout(
    const XmlDocument& original, const CorrectionFactor& factor, const QString& fileName);
// The same on a document the caller gives up, which saves a copy of it.
Outcome<CorrectedWorkout> CorrectWorkout(
    XmlDocument&& document, const CorrectionFactor& factor, const QString& fileName);

// One run of a correction as previewed: the file it reads and the file it writes, old and new
// figures, or why it cannot be corrected.
struct PlannedCorrection {
    StoredWorkout run;
    // A synched file (a workout kept in both folders is stood for by its synched copy) moves to
    // latest, as an edit does; the copy it came from is removed.
    std::filesystem::path source;
    std::filesystem::path target;
    StartTime start;
    long long durationMs = 0;
    Decimal oldDistanceKm;
    Decimal newDistanceKm;
    std::string oldPace;
    std::string newPace;
    // Correcting it makes the device's signature invalid.
    bool signedByDevice = false;
    // Why the run is left as it is, naming the file.
    std::optional<QString> problem;
    // The bytes previewed, by size and hash: a file changed since is not written.
    std::uint64_t previewedSize = 0;
    std::uint64_t previewedHash = 0;

    bool ready() const { return !problem; }
};

struct CorrectionPlan {
    CorrectionFactor factor;
    std::vector<PlannedCorrection> runs;
};

// Called before each run and once after the last; returning false stops before the next run.
using CorrectionProgress = std::function<bool(int done, int total)>;

// Reads each run and works out its correction without writing anything: the preview. A file
// named twice is planned once. A run whose signature Paceforge broke before is not called signed.
CorrectionPlan PlanCorrection(const std::vector<StoredWorkout>& runs, const CorrectionFactor& factor,
    const FileSystem& fileSystem, const CorrectionProgress& progress = {}, const AlteredSignatures* altered = nullptr);

struct CorrectionReport {
    // The files written, in the latest folders.
    std::vector<std::filesystem::path> done;
    struct NotDone {
        std::filesystem::path file;
        // Names the file.
        QString reason;
    };
    std::vector<NotDone> notDone;
    // What went wrong after a run was written (an old copy that could not be removed); the run is done.
    std::vector<QString> notes;
    bool cancelled = false;

    bool ok() const { return notDone.empty() && !cancelled; }
};

// Writes the planned runs one by one as an edit is saved (WriteEditedWorkout: the file must still
// hold the bytes previewed; a backup first; an atomic write; a synched file moves to latest).
// Runs the plan could not correct are named as not done and passed over; the first run that
// fails to be written stops the correction, and it and every run after it are named as not done.
CorrectionReport ApplyCorrection(
    const CorrectionPlan& plan, FileSystem& fileSystem, Backups& backups, const CorrectionProgress& progress = {});

} // namespace paceforge
