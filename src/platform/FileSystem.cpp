#include "FileSystem.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsAscii(std::string_view s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

QString Reason(const std::error_code& ec) { return QString::fromLocal8Bit(ec.message().c_str()); }
QString Reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

Result Failure(const QString& step, const fs::path& file, const QString& reason)
{
    return Result::failure(QStringLiteral("Could not %1 \"%2\": %3.").arg(step, DisplayPath(file), reason));
}

bool LacksWritePermission(const fs::path& path)
{
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status))
        return false;
    return (status.permissions() & fs::perms::owner_write) == fs::perms::none;
}

std::vector<FolderEntry> List(const fs::path& folder, bool wantFolders)
{
    std::vector<FolderEntry> entries;
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        const bool isFolder = it->is_directory(typeError); // follows links
        if (isFolder == wantFolders)
            entries.push_back({it->path().filename().string(), it->path()});
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return NameLessIgnoringCase(a.name, b.name); });
    return entries;
}

} // namespace

bool NamesEqualIgnoringCase(std::string_view a, std::string_view b)
{
    if (IsAscii(a) && IsAscii(b)) {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (FoldAscii(a[i]) != FoldAscii(b[i]))
                return false;
        return true;
    }
    return QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())), Qt::CaseInsensitive)
        == 0;
}

bool NameLessIgnoringCase(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(FoldAscii(a[i]));
        const auto y = static_cast<unsigned char>(FoldAscii(b[i]));
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

QString DisplayPath(const fs::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

std::optional<QString> QtFileName(const fs::path& path)
{
    const QByteArray native = QByteArray::fromStdString(path.string());
    const QString name = QFile::decodeName(native);
    if (QFile::encodeName(name) != native)
        return std::nullopt;
    return name;
}

std::optional<std::string> ReadWholeFile(const fs::path& path)
{
    // A fifo or device named like a workout would block or never end; only regular files are read.
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return std::nullopt;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::string bytes;
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return std::nullopt;
    return bytes;
}

std::optional<fs::path> FileSystem::resolve(const fs::path& path) const
{
    std::error_code ec;
    if (fs::exists(fs::symlink_status(path, ec)))
        return path;
    fs::path current = path.root_path();
    for (const fs::path& part : path.relative_path()) {
        fs::path candidate = current / part;
        if (part == "." || part == ".." || fs::exists(fs::symlink_status(candidate, ec))) {
            current = std::move(candidate);
            continue;
        }
        const std::string wanted = part.string();
        std::optional<fs::path> match;
        fs::directory_iterator it(current.empty() ? fs::path(".") : current,
                                  fs::directory_options::skip_permission_denied, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (NamesEqualIgnoringCase(name, wanted) && (!match || NameLessIgnoringCase(name, match->filename().string())))
                match = current / name;
        }
        if (!match)
            return std::nullopt;
        current = std::move(*match);
    }
    return current;
}

bool FileSystem::folderExists(const fs::path& path) const
{
    const auto actual = resolve(path);
    std::error_code ec;
    return actual && fs::is_directory(*actual, ec);
}

bool FileSystem::fileExists(const fs::path& path) const
{
    const auto actual = resolve(path);
    std::error_code ec;
    return actual && fs::is_regular_file(*actual, ec);
}

std::vector<FolderEntry> FileSystem::subfolders(const fs::path& folder) const
{
    const auto actual = resolve(folder);
    return actual ? List(*actual, true) : std::vector<FolderEntry>{};
}

std::vector<FolderEntry> FileSystem::files(const fs::path& folder) const
{
    const auto actual = resolve(folder);
    return actual ? List(*actual, false) : std::vector<FolderEntry>{};
}

Outcome<std::string> FileSystem::readFile(const fs::path& path) const
{
    const fs::path actual = resolve(path).value_or(path);
    std::error_code ec;
    if (!fs::exists(actual, ec))
        return Outcome<std::string>::failure(
            QStringLiteral("Could not read \"%1\": %2.").arg(DisplayPath(path), Reason(ENOENT)));
    auto bytes = ReadWholeFile(actual);
    if (!bytes)
        return Outcome<std::string>::failure(
            QStringLiteral("Could not read \"%1\": it is not a readable file.").arg(DisplayPath(path)));
    return std::move(*bytes);
}

Result FileSystem::writeFileAtomic(const fs::path& path, std::string_view bytes)
{
    const fs::path folder = resolve(path.parent_path()).value_or(path.parent_path());
    // An existing file of the name in another letter case is the one replaced, as on the device.
    const fs::path target = resolve(path).value_or(folder / path.filename());
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return Failure(QStringLiteral("write"), path, QStringLiteral("the folder does not exist"));
    if (LacksWritePermission(folder))
        return Failure(QStringLiteral("write"), path, QStringLiteral("the folder is read-only"));
    if (LacksWritePermission(target))
        return Failure(QStringLiteral("write"), path, QStringLiteral("the file is read-only"));
    const auto name = QtFileName(target);
    if (!name)
        return Failure(QStringLiteral("write"), path, QStringLiteral("its name is not valid text"));

    QSaveFile file(*name);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return Failure(QStringLiteral("create a temporary file for"), path, file.errorString());
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Failure(QStringLiteral("write"), path, reason);
    }
    if (!file.commit())
        return Failure(QStringLiteral("replace"), path, file.errorString());
    return Result::success();
}

Result FileSystem::copyFile(const fs::path& from, const fs::path& to)
{
    auto bytes = readFile(from);
    if (!bytes)
        return Result::failure(bytes.error());
    const auto time = lastWriteTime(from);
    if (!time)
        return Failure(QStringLiteral("read the time of"), from, Reason(ENOENT));
    if (Result written = writeFileAtomic(to, bytes.value()); !written)
        return written;
    const fs::path target = resolve(to).value_or(to);
    std::error_code ec;
    fs::last_write_time(target, *time, ec);
    if (ec)
        return Failure(QStringLiteral("set the time of"), to, Reason(ec));
    return Result::success();
}

Result FileSystem::deleteFile(const fs::path& path)
{
    const fs::path actual = resolve(path).value_or(path);
    std::error_code ec;
    if (fs::remove(actual, ec))
        return Result::success();
    if (!ec)
        return Failure(QStringLiteral("delete"), path, Reason(ENOENT));
    // "Force": a read-only file is made writable first, as the device's own tools do.
    std::error_code permError;
    fs::permissions(actual, fs::perms::owner_write, fs::perm_options::add, permError);
    if (!permError && fs::remove(actual, ec))
        return Result::success();
    return Failure(QStringLiteral("delete"), path, Reason(ec));
}

Result FileSystem::renameNoReplace(const fs::path& from, const fs::path& to)
{
    const fs::path source = resolve(from).value_or(from);
    const fs::path folder = resolve(to.parent_path()).value_or(to.parent_path());
    const fs::path target = folder / to.filename();
    for (const FolderEntry& entry : List(folder, false))
        if (NamesEqualIgnoringCase(entry.name, to.filename().string()))
            return Failure(QStringLiteral("rename"), from, QStringLiteral("a file of the new name exists"));
    for (const FolderEntry& entry : List(folder, true))
        if (NamesEqualIgnoringCase(entry.name, to.filename().string()))
            return Failure(QStringLiteral("rename"), from, QStringLiteral("a folder of the new name exists"));
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return Result::success();
    if (errno != EINVAL && errno != ENOSYS)
        return Failure(QStringLiteral("rename"), from, Reason(errno));
#endif
    std::error_code ec;
    if (fs::exists(fs::symlink_status(target, ec)))
        return Failure(QStringLiteral("rename"), from, QStringLiteral("a file of the new name exists"));
    fs::rename(source, target, ec);
    if (ec)
        return Failure(QStringLiteral("rename"), from, Reason(ec));
    return Result::success();
}

std::optional<fs::file_time_type> FileSystem::lastWriteTime(const fs::path& path) const
{
    const fs::path actual = resolve(path).value_or(path);
    std::error_code ec;
    const auto time = fs::last_write_time(actual, ec);
    if (ec)
        return std::nullopt;
    return time;
}

bool FileSystem::setLastWriteTime(const fs::path& path, std::chrono::system_clock::time_point time)
{
    const fs::path actual = resolve(path).value_or(path);
    if (LacksWritePermission(actual))
        return false;
    const int fd = ::open(actual.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    const auto since = time.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(since);
    const auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds);
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(seconds.count()), static_cast<long>(nanos.count())}};
    const bool ok = ::futimens(fd, times) == 0;
    ::close(fd);
    return ok;
}

} // namespace paceforge
