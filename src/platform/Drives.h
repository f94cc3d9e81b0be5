#pragma once

#include <QString>

#include <filesystem>
#include <vector>

namespace paceforge {

struct Drive {
    // What the iPod selector shows and the backups are filed under: VolumeName.
    QString id;
    std::filesystem::path root;
};

// A volume the platform has mounted; the label may be empty.
struct MountedVolume {
    std::filesystem::path root;
    QString label;
};

class DriveSource
{
public:
    virtual ~DriveSource() = default;
    // In the platform's order; may throw when the platform fails unexpectedly.
    virtual std::vector<Drive> drives() const = 0;
    // What names a folder given as a drive from elsewhere (the command line's --drive); none by
    // default, so that such a folder goes by its own name.
    virtual std::vector<MountedVolume> mountedVolumes() const { return {}; }
};

// The mounted volumes that are ready, then each folder named in PACEFORGE_DRIVES (separated by the
// platform's path-list separator), so that a copy of an iPod's disk can be opened like the iPod.
class SystemDrives final : public DriveSource
{
public:
    std::vector<Drive> drives() const override;
    std::vector<MountedVolume> mountedVolumes() const override;
};

// The folder's name (the drive letter on Windows).
QString DriveIdForFolder(const std::filesystem::path& root);

// The one name of the volume at `root`, which the window's selector, the commands and the backups'
// folders all use: the label of the volume mounted there (the last one, which hides those below
// it), else the folder's name. On Windows, the drive letter.
QString VolumeName(const std::filesystem::path& root, const std::vector<MountedVolume>& mounted);

// The mounted volumes, then the folders, each under its VolumeName.
std::vector<Drive> DrivesOf(
    const std::vector<MountedVolume>& mounted, const std::vector<std::filesystem::path>& folders);

} // namespace paceforge
