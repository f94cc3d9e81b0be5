#pragma once

#include "Backups.h"

#include "platform/Result.h"
#include "store/StoredWorkout.h"

#include <QString>

#include <filesystem>

namespace paceforge {

class FileSystem;

// What a restore replaced on the iPod.
enum class RestoreReplaced {
    // No file of the workout's name stood in either of its sensor's folders.
    Nothing,
    // The version that stood in the folder the backup came from.
    VersionThere,
    // The version in the sensor's other folder, where a change had moved the run since.
    MovedVersion,
};

struct RestoredVersion {
    std::filesystem::path written;
    bool inLatest = false;
    RestoreReplaced replaced = RestoreReplaced::Nothing;
    // The file taken out of the other folder, for MovedVersion.
    std::filesystem::path removed;
};

// Puts a backup's bytes back into the folder it was taken from (latest or synched) of the
// workout's sensor, acting on the files as they stand on the disk now, not as they were listed.
//
// When that folder holds no file of the name but the sensor's other folder does, the run was moved
// there after the backup was taken, holding a version Paceforge wrote: an edit or a correction
// writes latest and removes the synched copy, and the device moves a run it syncs from latest to
// synched as it is; no run of another day can have the name. That file is backed up and removed,
// so that the run is one file again, as it was.
//
// Each file replaced or removed is backed up first; every write is atomic. A failure leaves the
// iPod as it was, and its text names the file, the reason, and what became of the iPod.
Outcome<RestoredVersion> RestoreBackup(
    const BackupEntry& backup, const StoredWorkout& workout, FileSystem& fileSystem, Backups& backups);

// What the user is told: where the version of `taken` (the backup's time) is, and what it replaced.
QString RestoredText(const RestoredVersion& restored, const QString& taken);

} // namespace paceforge
