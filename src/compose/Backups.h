#pragma once

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Result.h"
#include "store/AlteredSignatures.h"
#include "workout/Decimal.h"

#include <QDateTime>
#include <QString>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace paceforge {

struct BackupEntry {
    std::filesystem::path path;
    // UTC, read back from the file's name.
    QDateTime taken;
    // The folder of the sensor it was taken from, which a restore writes it back into.
    bool fromLatest = false;
    // Tells apart backups taken within one millisecond; 1 for the first.
    int counter = 1;
};

// The order of Backups::list: by time taken, then counter, newest first.
bool NewerBackupFirst(const BackupEntry& a, const BackupEntry& b);

// What the restore dialog shows of one backup.
struct BackupSummary {
    QString taken; // local time, "2026-12-08 07:32:12"
    QString distance; // as the document holds it, "5.0000 km"
    QString duration; // "30:00"
    std::optional<Decimal> distanceKm; // the distance, for a window that shows another unit
};

// Copies of workout files as they stood before Paceforge replaced or deleted them, kept on the
// computer (never on the iPod) in root/<volume>/<sensor>/<latest|synched>/<file name>.<UTC time>.
//
// A copy is written atomically like any file on the iPod: a crash must never leave half a backup
// that a later restore would put onto the device.
class Backups
{
public:
    Backups(std::filesystem::path root, const Clock& clock, FileSystem& fileSystem);

    const std::filesystem::path& root() const { return m_root; }
    // The signed files Paceforge changed.
    AlteredSignatures& alteredSignatures() { return m_altered; }
    const AlteredSignatures& alteredSignatures() const { return m_altered; }

    std::filesystem::path folderFor(const QString& volume, const std::string& sensor, bool latest) const;

    // The path of the copy; a failure names the backup folder and the reason, and the caller then
    // must not touch the file on the iPod.
    [[nodiscard]] Outcome<std::filesystem::path> backUp(
        const std::filesystem::path& file, const QString& volume, const std::string& sensor, bool latest);

    // Every backup of the workout file name (matched without regard to case), from latest and
    // synched, newest first. Files that do not look like backups are passed over.
    std::vector<BackupEntry> list(const QString& volume, const std::string& sensor, const std::string& fileName) const;

    // Values that cannot be read show as "unreadable": a backup of a damaged file still lists.
    BackupSummary summary(const BackupEntry& backup) const;

private:
    std::filesystem::path m_root;
    const Clock& m_clock;
    FileSystem& m_fileSystem;
    AlteredSignatures m_altered;
};

// Where the window keeps its backups, ~/.local/share/Paceforge/backups on Linux; the commands
// use the same folder although they run under another application name.
std::filesystem::path StandardBackupsFolder();

} // namespace paceforge
