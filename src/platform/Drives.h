#pragma once

#include <QString>

#include <filesystem>
#include <vector>

namespace paceforge {

struct Drive {
    // What the iPod selector shows: the drive letter on Windows, the volume's or folder's name elsewhere.
    QString id;
    std::filesystem::path root;
};

class DriveSource
{
public:
    virtual ~DriveSource() = default;
    // In the platform's order; may throw when the platform fails unexpectedly.
    virtual std::vector<Drive> drives() const = 0;
};

// The mounted volumes that are ready, then each folder named in PACEFORGE_DRIVES (separated by the
// platform's path-list separator), so that a copy of an iPod's disk can be opened like the iPod.
class SystemDrives final : public DriveSource
{
public:
    std::vector<Drive> drives() const override;
};

QString DriveIdForFolder(const std::filesystem::path& root);

} // namespace paceforge
