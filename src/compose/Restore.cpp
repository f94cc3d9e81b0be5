#include "Restore.h"

#include "platform/FileSystem.h"

#include <chrono>
#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

QString FolderWord(bool latest)
{
    return latest ? QStringLiteral("latest") : QStringLiteral("synched");
}

std::chrono::system_clock::time_point SystemTime(fs::file_time_type time)
{
    return std::chrono::time_point_cast<std::chrono::system_clock::duration>(std::chrono::file_clock::to_sys(time));
}

} // namespace

Outcome<RestoredVersion> RestoreBackup(
    const BackupEntry& backup, const StoredWorkout& workout, FileSystem& fileSystem, Backups& backups)
{
    using Failed = Outcome<RestoredVersion>;
    const QString unchanged = QStringLiteral(" The workout on the iPod was not changed.");
    RestoredVersion restored;
    restored.inLatest = backup.fromLatest;
    restored.written = (backup.fromLatest ? workout.latestFolder : workout.synchedFolder).get() / workout.fileName;
    const fs::path other = (backup.fromLatest ? workout.synchedFolder : workout.latestFolder).get() / workout.fileName;

    const auto bytes = fileSystem.readFile(backup.path);
    if (!bytes)
        return Failed::failure(bytes.error() + unchanged);
    if (fileSystem.fileExists(restored.written)) {
        restored.replaced = RestoreReplaced::VersionThere;
    } else if (fileSystem.fileExists(other)) {
        restored.replaced = RestoreReplaced::MovedVersion;
        restored.removed = other;
    }

    // The copies taken of files that in the end were not changed hold nothing new.
    std::vector<fs::path> taken;
    const auto forget = [&] {
        for (const fs::path& copy : taken)
            (void)fileSystem.deleteFile(copy);
    };
    const auto keep = [&](const fs::path& file, bool latest) -> std::optional<QString> {
        auto copy = backups.backUp(file, workout.volume, workout.sensor, latest);
        if (!copy)
            return copy.error();
        taken.push_back(std::move(copy).value());
        return std::nullopt;
    };
    const bool moving = restored.replaced == RestoreReplaced::MovedVersion;
    if (restored.replaced != RestoreReplaced::Nothing)
        if (const auto refused = moving ? keep(other, !backup.fromLatest) : keep(restored.written, backup.fromLatest)) {
            forget();
            return Failed::failure(*refused + unchanged);
        }
    if (Result written = fileSystem.writeFileAtomic(restored.written, bytes.value()); !written) {
        forget();
        return Failed::failure(written.error() + unchanged);
    }
    if (const auto time = fileSystem.lastWriteTime(backup.path))
        fileSystem.setLastWriteTime(restored.written, SystemTime(*time));
    // A folder linked to the other one holds the file just written under the other name too.
    if (moving && !SameFile(fileSystem, restored.written, other)) {
        if (Result removed = fileSystem.deleteFile(other); !removed) {
            if (Result undone = fileSystem.deleteFile(restored.written); !undone)
                return Failed::failure(removed.error()
                    + QStringLiteral(" The restored version is in \"%1\" and the changed version still in \"%2\"; "
                                     "the changed version was kept as a backup too.")
                          .arg(DisplayPath(restored.written), DisplayPath(other)));
            forget();
            return Failed::failure(removed.error() + unchanged);
        }
    }
    return restored;
}

QString RestoredText(const RestoredVersion& restored, const QString& taken)
{
    const QString back
        = QStringLiteral("The version of %1 is back on the iPod as \"%2\" in the %3 folder")
              .arg(taken, QString::fromStdString(restored.written.filename().string()), FolderWord(restored.inLatest));
    switch (restored.replaced) {
    case RestoreReplaced::Nothing:
        return back + QStringLiteral("; no version of the run stood on the iPod, so nothing was replaced.");
    case RestoreReplaced::VersionThere:
        return back + QStringLiteral("; it replaced the version that stood there, kept as a backup.");
    case RestoreReplaced::MovedVersion:
        return back
            + QStringLiteral("; it replaced the changed version in the %1 folder, kept as a backup.")
                  .arg(FolderWord(!restored.inLatest));
    }
    return back + u'.';
}

} // namespace paceforge
