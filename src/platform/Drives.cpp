#include "Drives.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>

#include <algorithm>

namespace paceforge {
namespace {

std::filesystem::path WithoutTrailingSeparators(const std::filesystem::path& root)
{
    std::filesystem::path trimmed = root;
    while (trimmed.has_relative_path() && trimmed.filename().empty())
        trimmed = trimmed.parent_path();
    return trimmed;
}

QString NameOf(const std::filesystem::path& root, const QString& label)
{
#ifdef Q_OS_WIN
    Q_UNUSED(label);
    return DriveIdForFolder(root);
#else
    return label.isEmpty() ? DriveIdForFolder(root) : label;
#endif
}

} // namespace

QString DriveIdForFolder(const std::filesystem::path& root)
{
#ifdef Q_OS_WIN
    const QString text = QString::fromStdWString(root.native());
    if (text.size() >= 2 && text.at(1) == u':')
        return text.left(1);
#endif
    const std::filesystem::path trimmed = WithoutTrailingSeparators(root);
    const QString name = QFile::decodeName(QByteArray::fromStdString(trimmed.filename().string()));
    return name.isEmpty() ? QFile::decodeName(QByteArray::fromStdString(root.string())) : name;
}

QString VolumeName(const std::filesystem::path& root, const std::vector<MountedVolume>& mounted)
{
    const std::filesystem::path folder = WithoutTrailingSeparators(root.lexically_normal());
    const auto volume = std::find_if(mounted.rbegin(), mounted.rend(),
        [&](const MountedVolume& each) { return WithoutTrailingSeparators(each.root.lexically_normal()) == folder; });
    return NameOf(root, volume == mounted.rend() ? QString() : volume->label);
}

std::vector<Drive> DrivesOf(
    const std::vector<MountedVolume>& mounted, const std::vector<std::filesystem::path>& folders)
{
    std::vector<Drive> result;
    // Each volume by its own label: two mounted at one folder are two entries of the selector.
    for (const MountedVolume& volume : mounted)
        result.push_back({NameOf(volume.root, volume.label), volume.root});
    for (const std::filesystem::path& folder : folders)
        result.push_back({VolumeName(folder, mounted), folder});
    return result;
}

std::vector<MountedVolume> SystemDrives::mountedVolumes() const
{
    std::vector<MountedVolume> result;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        result.push_back({std::filesystem::path(QFile::encodeName(volume.rootPath()).toStdString()), volume.name()});
    }
    return result;
}

std::vector<Drive> SystemDrives::drives() const
{
    std::vector<std::filesystem::path> folders;
    const QByteArray extra = qgetenv("PACEFORGE_DRIVES");
    for (const QString& folder : QString::fromLocal8Bit(extra).split(QDir::listSeparator(), Qt::SkipEmptyParts))
        folders.emplace_back(QFile::encodeName(folder).toStdString());
    return DrivesOf(mountedVolumes(), folders);
}

} // namespace paceforge
