#include "Drives.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>

namespace paceforge {

QString DriveIdForFolder(const std::filesystem::path& root)
{
#ifdef Q_OS_WIN
    const QString text = QString::fromStdWString(root.native());
    if (text.size() >= 2 && text.at(1) == u':')
        return text.left(1);
#endif
    std::filesystem::path trimmed = root;
    while (trimmed.has_relative_path() && trimmed.filename().empty())
        trimmed = trimmed.parent_path();
    const QString name = QFile::decodeName(QByteArray::fromStdString(trimmed.filename().string()));
    return name.isEmpty() ? QFile::decodeName(QByteArray::fromStdString(root.string())) : name;
}

std::vector<Drive> SystemDrives::drives() const
{
    std::vector<Drive> result;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const std::filesystem::path root(QFile::encodeName(volume.rootPath()).toStdString());
#ifdef Q_OS_WIN
        result.push_back({DriveIdForFolder(root), root});
#else
        const QString name = volume.name();
        result.push_back({name.isEmpty() ? DriveIdForFolder(root) : name, root});
#endif
    }
    const QByteArray extra = qgetenv("PACEFORGE_DRIVES");
    for (const QString& folder : QString::fromLocal8Bit(extra).split(QDir::listSeparator(), Qt::SkipEmptyParts)) {
        const std::filesystem::path root(QFile::encodeName(folder).toStdString());
        result.push_back({DriveIdForFolder(root), root});
    }
    return result;
}

} // namespace paceforge
